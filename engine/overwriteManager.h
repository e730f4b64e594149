#pragma once
// Output names that never replace an existing file.
#include <string>

class TOverwriteManager {
public:
    // Path itself when no file of that name exists; otherwise "_2" is put before the extension
    // (the extension is the text from the last '.' after the last '/'), again and again:
    // movie.flv, movie_2.flv, movie_2_2.flv, ... Folders never count as taken. Nothing is
    // created or reserved.
    std::string GetUniqueName(const std::string& path) const;
};
