// The program a file opens with, as the desktop's file associations say:
// the file's MIME type, the default application the mimeapps.list files
// name for it, and that application's desktop entry with its Exec line.
#pragma once

#include <QString>
#include <QStringList>

namespace brindle::xdg {

// An application's command, split into words: the program and the words
// before and after the place where the file to open goes.
struct AppCommand {
    QString desktopFile;  // path of the desktop entry
    QString program;      // the Exec line's first word, made absolute through PATH when found
    QStringList before;   // words between the program and the file
    QStringList after;    // words after the file
    bool hasFileCode = false;

    bool isEmpty() const { return program.isEmpty(); }
    // The arguments that open target: target is always ONE word.
    QStringList arguments(const QString& target) const;
};

// Splits an Exec value (already unescaped as a desktop-entry string) into
// words by its quoting rules and expands the field codes: %f %F %u %U mark
// the file's place (the file is put at the end when none is given), %% is a
// percent sign, %c the name, %k the desktop file, %i "--icon ICON"; the other
// codes are dropped. Empty program when the line is empty or badly quoted.
AppCommand parseExec(const QString& exec, const QString& name = {}, const QString& icon = {},
                     const QString& desktopFile = {});

// The MIME type of file by its name and content.
QString mimeTypeOf(const QString& file);

// The folders searched, in order of precedence.
QStringList configFolders();
QStringList applicationFolders();

// The desktop entries that open mimeType, best first: the defaults of the
// mimeapps.list files, then their added associations, then every installed
// entry that lists the type. Entries hidden, without Exec or with a missing
// TryExec program are left out.
QStringList applicationsFor(const QString& mimeType);

// The command of the preferred application for file; empty when none.
AppCommand commandFor(const QString& file);

}  // namespace brindle::xdg
