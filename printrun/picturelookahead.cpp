// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picturelookahead.h"

#include "printerror.h"
#include "printrun.h"
#include "recordgrid.h"

PictureLookAhead::PictureLookAhead(const QString &listPath, const QString &listName, QString folder,
                                   qsizetype pictureField, RecordSelection selection)
    : m_reader(listPath, listName), m_folder(std::move(folder)), m_pictureField(pictureField),
      m_selection(std::move(selection))
{
    try {
        m_reader.open();
        m_ended = !m_reader.readLine(); // the header
    } catch (const PrintError &) {
        m_ended = true;
    }
}

void PictureLookAhead::nameAfter(qint64 record, int count,
                                 const std::function<void(const QString &)> &prepare)
{
    const std::optional<qint64> last = m_selection.last();
    try {
        while (!m_ended && m_record < record + count && !(last && m_record >= *last)) {
            const std::optional<QString> line = m_reader.readLine();
            if (!line) {
                m_ended = true;
                break;
            }
            ++m_record;
            if (!m_selection.contains(m_record))
                continue;
            // As the run gives the fields their values: the first and last part lose their quotes.
            const QList<QStringView> parts = splitLine(*line, QStringLiteral("\",\""), QString());
            if (m_pictureField < parts.size()) {
                m_pictureName = parts[m_pictureField].toString();
                if (m_pictureField == 0 || m_pictureField == parts.size() - 1)
                    m_pictureName.remove(QLatin1Char('"'));
            }
            if (m_record > record) {
                const QString path = PrintRun::picturePathFor(m_folder, trimSpaces(m_pictureName));
                if (!path.isEmpty())
                    prepare(path);
            }
        }
    } catch (const PrintError &) {
        m_ended = true; // the run meets the same line and says what is wrong with it
    }
}
