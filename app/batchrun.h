#pragma once

#include <QString>

struct CommandLine;
struct DataLocation;

// One print run without a window, as the command line asks (--pdf or --print), with its messages
// on standard error: the numbered errors, and unless --quiet a progress line on a terminal and a
// closing line saying what was done. SIGINT and SIGTERM stop the run after the page being drawn
// and discard the document. Needs a QGuiApplication (fonts and the PDF writer), on any platform:
// no window is ever made. data: as locateBatchData gives it, the list file looked up already, and
// the usage errors of the output told already (CommandLine::checkOutput). Returns the exit status
// (ExitStatus).
[[nodiscard]] int runBatch(const CommandLine &options, const DataLocation &data);

// Called before the QGuiApplication of a run without a window is made: selects the offscreen
// platform, whatever QT_QPA_PLATFORM says, and keeps start-up notices that concern only sessions
// with a desktop off standard error.
void prepareBatchApplication();
