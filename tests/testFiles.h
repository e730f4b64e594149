#pragma once
// Temporary folders and whole-file helpers for tests.
#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>

class TempDir {
public:
    TempDir() { dir_.setAutoRemove(true); }
    std::string path() const { return dir_.path().toStdString(); }
    std::string file(const std::string& name) const { return path() + "/" + name; }

private:
    QTemporaryDir dir_;
};

inline void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
