#include "desktop/rowText.h"

#include "platform/fileSystem.h"
#include "platform/process.h"

namespace {

// The converter ran and ended by itself with a code other than 0.
bool ExitedWithCode(const TRowOutcome& outcome)
{
    return outcome.Result == TEntryResult::Failed && outcome.ExitCode != 0
        && outcome.ExitCode != platform::kStillActive;
}

// Why it failed; the converter's last line when there are no words for it.
QString Why(const TRowOutcome& outcome)
{
    return platform::FromAnsi(outcome.Problem.empty() ? outcome.LastLine : outcome.Problem);
}

QString ResultLine(const TRowOutcome& outcome)
{
    if (outcome.Result == TEntryResult::Stopped)
        return "stopped";
    return ExitedWithCode(outcome) ? QString::number(outcome.ExitCode) + " " + Why(outcome) : Why(outcome);
}

} // namespace

QString RowHint(const TItemNodeData& row, const std::vector<std::string>& formatNames)
{
    const int profile = row.ItemData.ProfileIndex;
    const QString format = profile >= 0 && static_cast<size_t>(profile) < formatNames.size()
        ? QString::fromStdString(formatNames[static_cast<size_t>(profile)])
        : QString();
    QString hint = "[File Name]: " + row.ItemData.FileName + "\n[format]: " + format
        + "\n[path]: " + row.ItemData.OutputFolder;
    if (row.Status == isFailed && row.Outcome) // a stopped row counts as failed here
        hint += "\n[result]: " + ResultLine(*row.Outcome);
    if (row.Outcome)
        for (const std::string& note : row.Outcome->Notes)
            hint += "\n[note]: " + platform::FromAnsi(note);
    return hint;
}

QString RowProblem(const TItemNodeData& row)
{
    if (!row.Outcome || row.Outcome->Result == TEntryResult::Converted
        || row.Outcome->Result == TEntryResult::Stopped)
        return QString();
    const QString source = row.ItemData.FileName;
    const QString why = Why(*row.Outcome);
    QString problem = why;
    if (source.isEmpty() || !why.contains(source))
        problem = "Cannot convert \"" + source + "\"" + (why.isEmpty() ? QString() : ": " + why);
    if (ExitedWithCode(*row.Outcome))
        problem += QString(" (exit code %1)").arg(row.Outcome->ExitCode);
    return problem;
}
