// A child program for the process tests. Its arguments are steps, carried out in order:
//   out TEXT       write TEXT to standard output in one write (escapes \r \n \0 \t \\ \xHH)
//   err TEXT       the same on standard error
//   sleep MS       pause
//   echo           copy standard input to standard output until end of input
//   echoline       copy one input line (through its LF) to standard output
//   closeout       close standard output and standard error, keep running
//   closein        close standard input, keep running
//   grandchild F   start a child of its own that writes its pid to file F and hangs
//   runaway F      the same, but the child first leaves the process group and session (setsid)
//   sigstate       write "mask=N,N,... sigpipe=default|ignored|caught\n": the blocked signals
//                  ("mask=none" when none) and how SIGPIPE is handled
//   fill N         write N bytes 'x' without a line end, in 64 KiB writes
//   lines N        write N short lines ("line <i>\n") as fast as possible
//   hang           sleep until killed
//   signal N       die by signal N
//   exit N         exit with code N
// After the last step it exits with code 0.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string Unescape(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p != '\\' || !p[1]) {
            out += *p;
            continue;
        }
        ++p;
        switch (*p) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '0':
            out += '\0';
            break;
        case 'x':
            if (p[1] && p[2]) {
                const char hex[3] = { p[1], p[2], 0 };
                out += static_cast<char>(std::strtol(hex, nullptr, 16));
                p += 2;
            }
            break;
        default:
            out += *p;
        }
    }
    return out;
}

void WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

void SleepMs(long ms)
{
    usleep(static_cast<useconds_t>(ms) * 1000);
}

void Hang()
{
    for (;;)
        pause();
}

void EchoAll()
{
    char block[4096];
    ssize_t n;
    while ((n = read(0, block, sizeof block)) > 0)
        WriteAll(1, std::string(block, static_cast<size_t>(n)));
}

void EchoLine()
{
    std::string text;
    char c;
    while (read(0, &c, 1) == 1) {
        text += c;
        if (c == '\n')
            break;
    }
    WriteAll(1, text);
}

void StartGrandchild(const std::string& pidFile, bool leaveSession)
{
    if (fork() != 0)
        return;
    if (leaveSession)
        setsid();
    const std::string temp = pidFile + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (f) {
        std::fprintf(f, "%d\n", static_cast<int>(getpid()));
        std::fclose(f);
        std::rename(temp.c_str(), pidFile.c_str()); // the test sees the whole pid or nothing
    }
    Hang();
}

std::string SignalState()
{
    sigset_t blocked;
    sigprocmask(SIG_BLOCK, nullptr, &blocked);
    std::string mask;
    for (int sig = 1; sig < NSIG; ++sig)
        if (sigismember(&blocked, sig) == 1)
            mask += (mask.empty() ? "" : ",") + std::to_string(sig);
    struct sigaction pipeAction { };
    sigaction(SIGPIPE, nullptr, &pipeAction);
    const char* pipe = pipeAction.sa_handler == SIG_DFL ? "default"
        : pipeAction.sa_handler == SIG_IGN              ? "ignored"
                                                        : "caught";
    return "mask=" + (mask.empty() ? std::string("none") : mask) + " sigpipe=" + pipe + "\n";
}

void Fill(long count)
{
    const std::string block(65536, 'x');
    for (long left = count; left > 0; left -= static_cast<long>(block.size()))
        WriteAll(
            1, block.substr(0, static_cast<size_t>(std::min<long>(left, static_cast<long>(block.size())))));
}

void WriteLines(long count)
{
    std::string block;
    for (long i = 0; i < count; ++i) {
        block += "line " + std::to_string(i) + "\n";
        if (block.size() > 60000) {
            WriteAll(1, block);
            block.clear();
        }
    }
    WriteAll(1, block);
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const char* arg = i + 1 < argc ? argv[i + 1] : "";
        if (step == "out" || step == "err") {
            WriteAll(step == "out" ? 1 : 2, Unescape(arg));
            ++i;
        } else if (step == "sleep") {
            SleepMs(std::atol(arg));
            ++i;
        } else if (step == "echo") {
            EchoAll();
        } else if (step == "echoline") {
            EchoLine();
        } else if (step == "closeout") {
            close(1);
            close(2);
        } else if (step == "closein") {
            close(0);
        } else if (step == "grandchild" || step == "runaway") {
            StartGrandchild(arg, step == "runaway");
            ++i;
        } else if (step == "sigstate") {
            WriteAll(1, SignalState());
        } else if (step == "fill") {
            Fill(std::atol(arg));
            ++i;
        } else if (step == "lines") {
            WriteLines(std::atol(arg));
            ++i;
        } else if (step == "hang") {
            Hang();
        } else if (step == "signal") {
            std::signal(std::atoi(arg), SIG_DFL);
            raise(std::atoi(arg));
            ++i;
        } else if (step == "exit") {
            return std::atoi(arg);
        } else {
            std::fprintf(stderr, "vmchild: unknown step %s\n", step.c_str());
            return 125;
        }
    }
    return 0;
}
