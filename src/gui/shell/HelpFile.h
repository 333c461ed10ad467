#pragma once
// Where the help command finds the help (the README), relative to the
// running program, so that it is found wherever the program was installed
// (`cmake --install --prefix ...`) and in a build folder alike.

#include <QString>
#include <QStringList>

/// The places the help may be for the program in `programFolder`, in the
/// order they are tried: the installed layout (the documentation folder as
/// the install rules place it beside the program's folder, e.g.
/// "<prefix>/bin/../share/doc/Folian/README.md"), then the build layout (the
/// README copied beside the program). Clean absolute paths.
QStringList HelpFileCandidates(const QString& programFolder);

/// The first of `candidates` that is a readable file; a null string when
/// none is.
QString FindHelpFile(const QStringList& candidates);

/// The alert when no help was found, naming every place looked at.
QString HelpNotFoundMessage(const QStringList& candidates);

/// The alert when the help was found but nothing could show it.
QString HelpNotOpenedMessage(const QString& helpFile);
