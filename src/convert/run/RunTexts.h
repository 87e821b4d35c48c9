#pragma once

#include "convert/tools/TProcessRunner.h"
#include "dvd/TTitleSpanReader.h"

#include <QList>
#include <QString>

struct TConversionRequest;

// What a conversion run checks before it starts and the texts it shows: the start checks'
// messages, the hint, the overwrite question, why an entry failed, the closing report.

// Start's checks, in order; the message box text and caption of a failed one.
enum class TStartCheck { Ok, NoEntryChecked, NoOutputFolder, NoProfile, ProfileUnreadable, ProfileValues };
TStartCheck CheckStart(const TConversionRequest &request);
void StartCheckMessage(TStartCheck check, const TConversionRequest &request, QString &text, QString &caption);

// An entry that could not be made, and why.
struct TConversionFailure
{
    QString TargetFile;
    QString Reason;
};
// The closing message when some files could not be made.
QString FailureReport(const QList<TConversionFailure> &failures);
// The closing message of a run in which nothing failed and nothing was made.
QString NothingMadeMessage();

// A tool's failure ("the converter ended with status 1"), in the tool's own words where it
// left some (its last line, or its last error line).
QString ToolFailureText(const QString &tool, const TProcessRunner::Result &result, bool stalled,
                        const QString &words);
QString WithToolWords(const QString &reason, const QString &words);

// What a reading of the span met of damage ("the disc is damaged at 0:00:07: 2048 sectors of
// its video cannot be read"), the time counted from the span's start (`streamStart`, the
// reading's clock); empty when it met none.
QString DamageText(const TTitleSpanReader::Result &reading, double streamStart);

// The volume name as the hint shows it: whole up to 18 characters, else 15 and "...".
QString HintVolumeText(const QString &volumeName);
// "Converting: " + that + "-" + name + extension.
QString ConvertingHint(const QString &volumeName, const QString &outputName, const QString &outputExt);

// The folder Start checks: the text before its last separator (the root keeps it); a text
// without a separator names no folder.
QString OutputFolderToCheck(const QString &outputDirText);

// The overwrite question for an existing target.
QString OverwriteQuestion(const QString &targetFile);
