#include "engine/listJournal.h"

#include "engine/outputCheck.h"
#include "engine/sourceProbe.h"
#include "platform/fileSystem.h"

#include <QDir>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kJournalPrefix = "list-";
constexpr const char* kJournalExtension = ".zfl";
constexpr const char* kLockExtension = ".lock";
constexpr int kNameAttempts = 16;

// The status words, indexed by TItemStatus.
constexpr std::array<std::string_view, 4> kStatusWords = { "waiting", "converting", "converted", "failed" };

std::string_view StatusWord(int32_t status)
{
    return status >= 0 && static_cast<size_t>(status) < kStatusWords.size() ? kStatusWords[static_cast<size_t>(status)]
                                                                            : kStatusWords[isWaiting];
}

int32_t StatusOf(std::string_view word)
{
    const auto found = std::find(kStatusWords.begin(), kStatusWords.end(), word);
    return found == kStatusWords.end() ? isWaiting : static_cast<int32_t>(found - kStatusWords.begin());
}

// The result words, indexed by TEntryResult.
constexpr std::array<std::string_view, 4> kResultWords = { "converted", "failed", "stopped", "not started" };

std::optional<TEntryResult> ResultOf(std::string_view word)
{
    const auto found = std::find(kResultWords.begin(), kResultWords.end(), word);
    if (found == kResultWords.end())
        return std::nullopt;
    return static_cast<TEntryResult>(found - kResultWords.begin());
}

std::string LockPathOf(const std::string& journal)
{
    return journal.substr(0, journal.size() - std::string_view(kJournalExtension).size()) + kLockExtension;
}

// An exclusive lock on path that nobody else holds; -1 when someone does or it cannot be had.
int TryLock(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), O_CLOEXEC | flags, 0600);
    if (fd < 0)
        return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void RemoveJournal(const std::string& journal, const std::string& lock, int lockFd)
{
    unlink(journal.c_str());
    unlink(lock.c_str()); // while still held: whoever opened it meanwhile finds no journal
    close(lockFd);
}

bool ParseNumber(const std::string& text, unsigned long long& value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

TSimpleXMLElem* Child(TSimpleXMLElem& entry, const char* name)
{
    return entry.HasChildren() ? entry.Children().FindElement(name) : nullptr;
}

// The converting row's output as written; none when it is missing or its numbers are not numbers.
std::optional<TOwnOutput> OutputOf(TSimpleXMLElem& entry)
{
    TSimpleXMLElem* output = Child(entry, "output");
    if (!output || !output->HasProperties())
        return std::nullopt;
    const TSimpleXMLProp* device = output->Properties().Find("device");
    const TSimpleXMLProp* inode = output->Properties().Find("inode");
    const TSimpleXMLProp* birth = output->Properties().Find("birth");
    unsigned long long deviceNumber = 0, inodeNumber = 0, birthNs = 0;
    if (!device || !inode || !ParseNumber(device->Value, deviceNumber) || !ParseNumber(inode->Value, inodeNumber)
        || (birth && !ParseNumber(birth->Value, birthNs)) || output->Value().empty())
        return std::nullopt;
    return TOwnOutput { output->ValueString(),
        { static_cast<dev_t>(deviceNumber), static_cast<ino_t>(inodeNumber), static_cast<int64_t>(birthNs) } };
}

// <outcome result="failed" exit="1"><problem/><line/><file/><note/>...</outcome>: what the row's
// hint and the batch's problems are told from.
void AppendOutcome(TSimpleXMLElem& entry, const TRowOutcome& outcome)
{
    TSimpleXMLElem* element = entry.Children().AppendElement("outcome");
    element->Properties().Add("result", std::string(kResultWords[static_cast<size_t>(outcome.Result)]));
    element->Properties().Add("exit", std::to_string(outcome.ExitCode));
    const auto add = [element](const char* name, const std::string& value) {
        if (!value.empty())
            element->Children().AppendElement(name)->SetValue(value);
    };
    add("problem", outcome.Problem);
    add("line", outcome.LastLine);
    add("file", outcome.OutputPath);
    for (const std::string& note : outcome.Notes)
        add("note", note);
}

// The row's outcome as written; none when there is none or its result is not one of ours.
std::unique_ptr<TRowOutcome> OutcomeOf(TSimpleXMLElem& entry)
{
    TSimpleXMLElem* element = Child(entry, "outcome");
    const TSimpleXMLProp* result = element && element->HasProperties() ? element->Properties().Find("result") : nullptr;
    const std::optional<TEntryResult> read = result ? ResultOf(result->Value) : std::nullopt;
    if (!read)
        return nullptr;
    auto outcome = std::make_unique<TRowOutcome>();
    outcome->Result = *read;
    unsigned long long exitCode = 0;
    if (const TSimpleXMLProp* exit = element->Properties().Find("exit"); exit && ParseNumber(exit->Value, exitCode))
        outcome->ExitCode = static_cast<uint32_t>(exitCode);
    if (!element->HasChildren())
        return outcome;
    TSimpleXMLElems& children = element->Children();
    for (size_t i = 0; i < children.Count(); ++i) {
        const TSimpleXMLElem& child = *children.ElementAt(static_cast<long long>(i));
        if (child.Name() == "problem")
            outcome->Problem = child.ValueString();
        else if (child.Name() == "line")
            outcome->LastLine = child.ValueString();
        else if (child.Name() == "file")
            outcome->OutputPath = child.ValueString();
        else if (child.Name() == "note")
            outcome->Notes.push_back(child.ValueString());
    }
    return outcome;
}

struct TJournalRow {
    TItemData item;
    int32_t status = isWaiting;
    std::optional<TOwnOutput> output;
    std::unique_ptr<TRowOutcome> outcome; // of the row's last run; null when none ended
};

// The writer always closes the root last; an XML reader takes a file cut off before its root
// began for an empty list.
void CheckComplete(const std::string& journal)
{
    platform::TFileBuffer buffer;
    std::string error;
    if (!platform::ReadWholeFile(journal, buffer, &error))
        throw EListFileError("Cannot read the file: " + error);
    std::string_view bytes = buffer.View();
    while (!bytes.empty() && std::string_view(" \t\r\n").find(bytes.back()) != std::string_view::npos)
        bytes.remove_suffix(1);
    if (!bytes.ends_with("</list>") && !bytes.ends_with("<list/>"))
        throw EListFileError("The journal is cut off.");
}

// Every row of the journal, or an exception: a journal is taken whole or not at all.
std::vector<TJournalRow> ReadJournal(const std::string& journal)
{
    CheckComplete(journal);
    std::vector<TJournalRow> rows;
    TListFile file;
    file.ReadEntries(journal, [&rows](const TItemData& item, TSimpleXMLElem& entry) {
        TJournalRow row { item, isWaiting, std::nullopt, nullptr };
        if (TSimpleXMLElem* status = Child(entry, "status"))
            row.status = StatusOf(status->Value());
        if (row.status == isConverting)
            row.output = OutputOf(entry);
        else
            row.outcome = OutcomeOf(entry);
        rows.push_back(std::move(row));
    });
    return rows;
}

// The converting row's file is the converter's own and as long as its source.
bool FinishedBeforeTheEnd(const TJournalRow& row, const std::string& probe)
{
    const std::optional<platform::TFileId> id = platform::RegularFileId(row.output->Path);
    if (probe.empty() || !id || !(*id == row.output->Id))
        return false;
    const TSourceInfo output = ProbeSource(probe, row.output->Path);
    const TSourceInfo source = ProbeSource(probe, platform::ToAnsi(row.item.FileName));
    return output.seconds && source.seconds && CoversSource(*output.seconds, *source.seconds);
}

void AppendRestored(
    TFileList& list, const std::vector<TJournalRow>& rows, const std::string& probe, TRestoredList& restored)
{
    for (const TJournalRow& row : rows) {
        const bool finished = row.output && FinishedBeforeTheEnd(row, probe);
        if (row.output && !finished) // the crashed converter's unfinished file, if it still bears the name
            platform::RemoveIfSameFile(row.output->Path, row.output->Id);
        PVirtualNode node = AppendFileRow(list, row.item.FileName, row.item.ProfileIndex, row.item.OutputFolder);
        const int32_t status = finished ? isConverted : row.status == isConverting ? isWaiting : row.status;
        TItemNodeData* data = TFileList::GetNodeData(node);
        if (row.outcome)
            data->Outcome = std::make_unique<TRowOutcome>(*row.outcome);
        if (status != isWaiting || row.outcome) {
            data->Status = status;
            list.RepaintNode(node);
        }
        ++restored.rows;
        restored.converted += status == isConverted ? 1 : 0;
    }
}

} // namespace

TListJournal::TListJournal(TFileList& list, const std::string& folder)
    : list_(list)
{
    timer_.setSingleShot(true);
    timer_.callOnTimeout([this] { Write(); });
    if (!Open(folder))
        return;
    changeListener_ = list_.AddChangeListener([this] { Changed(); });
    Write(); // from the start, so that a lock never stands without its journal for long
}

TListJournal::~TListJournal()
{
    if (!Active())
        return;
    list_.RemoveChangeListener(changeListener_);
    RemoveJournal(path_, lockPath_, lockFd_);
}

bool TListJournal::Open(const std::string& folder)
{
    if (folder.empty()) {
        problem_ = "there is no state folder (neither XDG_STATE_HOME nor HOME is set)";
        return false;
    }
    std::string error;
    if (!platform::DirectoryExists(folder) && !platform::ForceDirectories(folder, &error)) {
        problem_ = "cannot create the folder \"" + folder + "\": " + error;
        return false;
    }
    // A name nobody has used: an unheld journal of the same name would be a crashed session's.
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char id[17];
        std::snprintf(id, sizeof id, "%016llx",
            static_cast<unsigned long long>(QRandomGenerator::system()->generate64()));
        const std::string base = platform::JoinPath(folder, std::string(kJournalPrefix) + id);
        const int fd = TryLock(base + kLockExtension, O_RDWR | O_CREAT | O_EXCL);
        if (fd >= 0) {
            lockFd_ = fd;
            lockPath_ = base + kLockExtension;
            path_ = base + kJournalExtension;
            return true;
        }
        if (errno != EEXIST) {
            problem_ = "cannot create a file in \"" + folder + "\": " + platform::SystemErrorText(errno);
            return false;
        }
    }
    problem_ = "no free journal name in \"" + folder + "\"";
    return false;
}

void TListJournal::Changed()
{
    if (!Active() || timer_.isActive())
        return;
    const qint64 since = sinceWrite_.isValid() ? sinceWrite_.elapsed() : gapMs_;
    timer_.start(static_cast<int>(std::max<qint64>(0, gapMs_ - since)));
}

void TListJournal::Flush()
{
    if (timer_.isActive()) {
        timer_.stop();
        Write();
    }
}

void TListJournal::Write()
{
    QElapsedTimer took;
    took.start();
    std::vector<const TItemData*> entries;
    std::vector<const TItemNodeData*> rows;
    entries.reserve(list_.TotalCount());
    rows.reserve(list_.TotalCount());
    for (PVirtualNode node = list_.GetFirst(); node; node = list_.GetNext(node)) {
        const TItemNodeData* data = TFileList::GetNodeData(node);
        entries.push_back(&data->ItemData);
        rows.push_back(data);
    }
    const std::optional<TOwnOutput> output = ConvertingOutput ? ConvertingOutput() : std::nullopt;
    const std::string lastProblem = problem_;
    try {
        TListFile file;
        file.Write(path_, entries, [&](size_t i, TSimpleXMLElem& entry) {
            const TItemNodeData& row = *rows[i];
            entry.Children().AppendElement("status")->SetValue(StatusWord(row.Status));
            if (row.Status != isConverting && row.Outcome)
                AppendOutcome(entry, *row.Outcome);
            if (row.Status != isConverting || !output)
                return;
            TSimpleXMLElem* element = entry.Children().AppendElement("output");
            element->SetValue(output->Path);
            element->Properties().Add("device", std::to_string(output->Id.device));
            element->Properties().Add("inode", std::to_string(output->Id.inode));
            if (output->Id.birthNs != 0)
                element->Properties().Add("birth", std::to_string(output->Id.birthNs));
        });
        problem_.clear();
    } catch (const std::exception& e) { // a full disk: the list goes on, the next change tries again
        problem_ = e.what();
        if (problem_ != lastProblem)
            std::fprintf(stderr, "vidmorph: the list's journal cannot be written: %s\n", problem_.c_str());
    }
    ++writes_;
    sinceWrite_.start();
    gapMs_ = std::max<int>(kMinGapMs, static_cast<int>(took.elapsed()) * kGapPerWriteTime);
}

TRestoredList RestoreLastSession(TFileList& list, const std::string& folder, const std::string& probe)
{
    TRestoredList restored;
    if (folder.empty())
        return restored;
    const QDir dir(platform::FromAnsi(folder));
    const QStringList names = dir.entryList(
        { QString(kJournalPrefix) + "*" + kJournalExtension }, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QString& name : names) { // newest first
        const std::string journal = platform::JoinPath(folder, platform::ToAnsi(name));
        const std::string lock = LockPathOf(journal);
        const int lockFd = TryLock(lock, O_RDONLY | O_CREAT);
        if (lockFd < 0)
            continue; // a running program's
        if (!platform::FileExists(journal)) { // another start took it meanwhile
            close(lockFd);
            continue;
        }
        restored.found = true;
        try {
            AppendRestored(list, ReadJournal(journal), probe, restored);
        } catch (const std::exception& e) {
            restored.error = "\"" + journal + "\": " + e.what();
        }
        RemoveJournal(journal, lock, lockFd);
        return restored;
    }
    return restored;
}
