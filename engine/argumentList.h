#pragma once
// A profile's arguments as a list and back: the engine rewrites them one argument at a time and
// gives the converter the string again.
#include <string>
#include <vector>

using TArguments = std::vector<std::string>;

// The arguments as one string again, each one a single argument when split. Anything beyond
// plain option text (a filter graph with its brackets, stars and bars) goes in quotes, escaped,
// as profile files write it.
std::string JoinArguments(const TArguments& arguments);
