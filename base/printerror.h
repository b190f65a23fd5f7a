// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

#include <exception>

// The one error type of the utility: a number from the table below and a plain description that
// names the file, line or field involved. Routines that trap errors catch it and report it; the
// number and description are shown to the user exactly as carried here.
class PrintError : public std::exception
{
public:
    enum Number : int
    {
        // The list file
        NoListFile = 101,
        ListFileNotReadable = 102,
        ListFileEmpty = 103,
        RepeatedFieldName = 104,
        TooManyFields = 105,
        ListFileNotOpen = 106,
        LineTooLong = 107,
        ListFileReadFailed = 108,
        FieldCountOverflow = 109,

        // The field list and the record grid
        PositionPastEnd = 201,
        GridOverflow = 202,
        PageOutOfMemory = 203,

        // Pictures
        PictureNotFound = 301,
        PictureNotReadable = 302,
        PictureTooLarge = 303,

        // The printer and the print document
        DocumentNotWritable = 401,
        PrinterRefusedJob = 402,
        PrintSystemUnavailable = 403,
        OutputFolderNotWritable = 404,
        PrinterFailed = 405,
        PrinterStopped = 406,
        NoPrinter = 407,
        NoGridFont = 408,
        OptionNotSupported = 409,
    };

    // The description is kept as printableText() shows it, so that no name it quotes can act on a
    // terminal or break the message's lines.
    PrintError(int number, QString description);

    [[nodiscard]] int number() const noexcept { return m_number; }
    // Whether the error leaves the print document broken, so that no later page can go into it:
    // the document could not be written (a full disk, say). Such an error ends the run at once,
    // and the document is thrown away; any other error of a page costs that page alone.
    [[nodiscard]] bool endsRun() const noexcept { return m_number == DocumentNotWritable; }
    [[nodiscard]] const QString &description() const noexcept { return m_description; }
    [[nodiscard]] const char *what() const noexcept override { return m_what.constData(); }

    // "Error <number>\r\n<description>": the text of the message box.
    [[nodiscard]] QString messageText() const;
    // "Error <number>: <description>" on one line: the text written to standard error.
    [[nodiscard]] QString logLine() const;

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// A file name as the user sees it in a message: with the platform's separators, as printableText()
// shows it.
QString displayPath(const QString &path);

// Text as a message shows it. Names come from folders and list files and may hold anything:
// control characters (C0, DEL and C1), which a terminal acts on and which break a message's lines,
// are written as \xHH (ESC as \x1b), and the line and paragraph separators and the controls of
// bidirectional text, which break or reorder what follows, as \uHHHH. Everything else is kept.
[[nodiscard]] QString printableText(QStringView text);
