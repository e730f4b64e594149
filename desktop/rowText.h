#pragma once
// What the window says about a row, from its record alone: the hint and the problem line.
#include "engine/fileList.h"

#include <QString>

#include <string>
#include <vector>

// File, profile name (empty for an index that names no profile), folder, and for a failed row
// what happened: "stopped", or why it failed, after the converter's exit code when it ran and
// exited with one other than 0.
QString RowHint(const TItemNodeData& row, const std::vector<std::string>& formatNames);

// Why the row failed or could not start, in one line that names its file once; empty for a row
// that converted, was stopped or has not ended.
QString RowProblem(const TItemNodeData& row);
