#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Start-up: the program's folders, the list of works and the catalogue page.
namespace MainM {

// The main window's caption, also the title of the reader's messages.
inline constexpr char16_t Caption[] = u"Собрание №1 Лоримунд Э Р";

// Set once by Main, read by everything after it.
extern QString AppDir;        // program folder, ending in the separator
extern QString DataDir;       // AppDir & "Data" & separator
extern QStringList WorkNames; // work names in catalogue order; never empty
extern std::int32_t WorkCount; // index of the last work, -1 when there is none

// "\" when the folder contains one, otherwise "/".
[[nodiscard]] QChar separatorFor(const QString &programFolder);

// The program folder with exactly one trailing separator.
[[nodiscard]] QString appDirFrom(const QString &programFolder);

// A work's name from its file name: everything before the last ".".
[[nodiscard]] QString workNameOf(const QString &fileName);

// One line of the catalogue's list for work index i.
[[nodiscard]] QString catalogueLine(std::int32_t index, const QString &name);

// The catalogue page for the works' names, in catalogue order.
[[nodiscard]] QString cataloguePage(const QStringList &names);

// Sets the four globals from a program folder, enumerating its data folder.
// Returns the catalogue page.
QString setUp(const QString &programFolder);

// The start-up procedure: globals, catalogue, main window.
void Main();

// Main for a given program folder.
void start(const QString &programFolder);

} // namespace MainM
