// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "listfile.h"
#include "recordselection.h"

#include <QString>

#include <functional>

// Reads the list file a few records ahead of the print run, with a reader of its own, to name the
// pictures that the next pages will load, so that they can be read and proven on other cores
// meanwhile. Only a guess at what is to come: the run itself reads, checks and reports as it
// always does, whatever the look-ahead named.
class PictureLookAhead
{
public:
    // pictureField: the 0-based position of the field that names the picture.
    PictureLookAhead(const QString &listPath, const QString &listName, QString folder, qsizetype pictureField,
                     RecordSelection selection);

    // Names (to prepare) the picture files of the selected records after record, up to count of them.
    void nameAfter(qint64 record, int count, const std::function<void(const QString &)> &prepare);

private:
    ListFileReader m_reader;
    QString m_folder;
    qsizetype m_pictureField;
    RecordSelection m_selection;
    qint64 m_record = 0;   // the last record read
    QString m_pictureName; // as the field holds it after that record: a record too short keeps it
    bool m_ended = false;
};
