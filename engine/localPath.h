#pragma once
// Names from list files reach the converter only as files on this machine. A list file may come
// from someone else, and the converter reads a name with a protocol prefix as a URL: it would
// connect out, upload the user's video, or read files the user never chose.
#include <string>

// True when name is written as a URL ("scheme://...") or starts with one of the converter's
// protocol prefixes ("concat:", "subfile,", "pipe:", "http:", ...). A ':' further on, as in
// "colon:name.avi" or "/videos/a:b.avi", is an ordinary character.
bool IsProtocolName(const std::string& name);

// path made absolute against the current folder; unchanged when it already is.
std::string AbsolutePath(const std::string& path);

// The converter argument that can only name the local file at the absolute path: its "file:"
// protocol and the path. It also keeps a name that starts with '-' from reading as an option.
std::string LocalFileArgument(const std::string& absolutePath);
