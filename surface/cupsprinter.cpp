// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "cupsprinter.h"

#include "filename.h"
#include "paperlayout.h"
#include "printerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSizeF>

#include <cups/cups.h>

#include <cerrno>
#include <cstring>

namespace Cups {

namespace {

// What libcups said last, as a clause of a message: without its closing full stop.
QString lastErrorText()
{
    QString text = QString::fromUtf8(cupsLastErrorString());
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// The print server as the user would name it: a socket's path, or a host and port.
QString serverText(const QByteArray &server)
{
    return server.startsWith('/') ? displayPath(decodeFileName(server))
                                  : QStringLiteral("%1:%2").arg(QString::fromUtf8(server)).arg(ippPort());
}

// A connection to the print server whose waits are bounded: connecting takes at most
// ConnectTimeoutMs and each answer at most AnswerTimeoutSeconds, after which the request fails
// with ETIMEDOUT instead of waiting on (libcups's own default connection waits a minute and more).
class Connection
{
public:
    Connection()
        : m_server(cupsServer()), m_http(httpConnect2(m_server.constData(), ippPort(), nullptr, AF_UNSPEC,
                                                      cupsEncryption(), 1, ConnectTimeoutMs, nullptr))
    {
        if (m_http)
            httpSetTimeout(m_http, AnswerTimeoutSeconds, nullptr, nullptr);
    }
    ~Connection()
    {
        if (m_http)
            httpClose(m_http);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    [[nodiscard]] http_t *get() const { return m_http; }
    [[nodiscard]] explicit operator bool() const { return m_http != nullptr; }
    [[nodiscard]] const QByteArray &server() const { return m_server; }

    // Why the connection could not be made.
    [[nodiscard]] QString connectFailure() const
    {
        if (m_server.startsWith('/')) {
            const QFileInfo socket(decodeFileName(m_server));
            return socket.exists() || socket.isSymLink()
                       ? QStringLiteral("the socket %1 does not accept connections").arg(serverText(m_server))
                       : QStringLiteral("the socket %1 does not exist").arg(serverText(m_server));
        }
        return QStringLiteral("the print server %1 cannot be connected to: %2")
            .arg(serverText(m_server), lastErrorText());
    }

    // Why the last exchange failed on the connection itself (no answer in time, connection lost);
    // empty when the server answered.
    [[nodiscard]] QString failure() const
    {
        const int error = m_http ? httpError(m_http) : 0;
        if (error == 0)
            return {};
        if (error == ETIMEDOUT)
            return QStringLiteral("the print server %1 did not answer within %2 seconds")
                .arg(serverText(m_server))
                .arg(AnswerTimeoutSeconds);
        return QStringLiteral("the connection to the print server %1 failed: %2")
            .arg(serverText(m_server), QString::fromLocal8Bit(std::strerror(error)));
    }

private:
    QByteArray m_server;
    http_t *m_http;
};

// Whether a client.conf file names a server.
bool namesServer(const QString &clientConf)
{
    QFile file(clientConf);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!file.atEnd()) {
        const QList<QByteArray> words = file.readLine().simplified().split(' ');
        if (words.size() >= 2 && words.first().compare("ServerName", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Whether the user or the system has set up a print server, as opposed to libcups trying the
// local default because nothing is set up. libcups uses the system's socket when that exists and
// "localhost" otherwise; any other server comes from CUPS_SERVER or a client.conf, and "localhost"
// itself may have been named there. A socket counts as set up even when it is the system's own
// default: a print system made it.
bool serverConfigured(const QByteArray &server)
{
    if (server != "localhost")
        return true;
    if (!qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        return true;
    const QString serverRoot = qEnvironmentVariableIsEmpty("CUPS_SERVERROOT")
                                   ? QStringLiteral("/etc/cups")
                                   : qEnvironmentVariable("CUPS_SERVERROOT");
    return namesServer(QDir::home().filePath(QStringLiteral(".cups/client.conf"))) ||
           namesServer(QDir(serverRoot).filePath(QStringLiteral("client.conf")));
}

// CUPS gives media sizes and margins in hundredths of a millimetre.
QPageLayout layoutOf(const cups_size_t &size)
{
    const QPageSize paper(QSizeF(size.width / 100.0, size.length / 100.0), QPageSize::Millimeter, QString(),
                          QPageSize::FuzzyOrientationMatch);
    const QMarginsF margins(size.left / 100.0, size.top / 100.0, size.right / 100.0, size.bottom / 100.0);
    return QPageLayout(paper, QPageLayout::Portrait, margins, QPageLayout::Millimeter);
}

// The PWG keyword of a size, e.g. "na_letter_8.5x11in"; empty when it has none.
QString keywordForSize(int width, int length)
{
    const pwg_media_t *const pwg = pwgMediaForSize(width, length);
    return pwg && pwg->pwg ? QString::fromUtf8(pwg->pwg) : QString();
}

struct Media
{
    cups_size_t size{};
    QString keyword; // what a job names it by
};

// The queue's entry for a media name (a PWG keyword, or a PPD name such as "A4"): the sheet and the
// margins that the queue has for it. Without a flag libcups answers with the smallest margins that
// are not zero, so a queue that offers a size both with margins and borderless gives the ordinary
// one, and a queue without margins (such as a PDF writer) its whole sheet.
std::optional<Media> mediaNamed(http_t *http, cups_dest_t *dest, cups_dinfo_t *info, const QByteArray &name)
{
    QByteArray keyword = name.trimmed();
    if (keyword.isEmpty())
        return std::nullopt;
    if (!pwgMediaForPWG(keyword.constData()) && !pwgMediaForLegacy(keyword.constData())) {
        const pwg_media_t *const ppd = pwgMediaForPPD(keyword.constData());
        if (!ppd || !ppd->pwg)
            return std::nullopt;
        keyword = ppd->pwg;
    }
    Media media;
    if (!cupsGetDestMediaByName(http, dest, info, keyword.constData(), CUPS_MEDIA_FLAGS_DEFAULT,
                                &media.size) ||
        media.size.width <= 0 || media.size.length <= 0)
        return std::nullopt;
    media.keyword = QString::fromUtf8(keyword);
    return media;
}

// The size in the queue's media-col-default, resolved like a name.
std::optional<Media> mediaOfDefaultCollection(http_t *http, cups_dest_t *dest, cups_dinfo_t *info)
{
    ipp_attribute_t *const collection = cupsFindDestDefault(http, dest, info, "media-col");
    ipp_t *const media = collection ? ippGetCollection(collection, 0) : nullptr;
    ipp_attribute_t *const sizeAttribute =
        media ? ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION) : nullptr;
    ipp_t *const size = sizeAttribute ? ippGetCollection(sizeAttribute, 0) : nullptr;
    if (!size)
        return std::nullopt;
    const int width = ippGetInteger(ippFindAttribute(size, "x-dimension", IPP_TAG_INTEGER), 0);
    const int length = ippGetInteger(ippFindAttribute(size, "y-dimension", IPP_TAG_INTEGER), 0);
    if (width <= 0 || length <= 0)
        return std::nullopt;
    Media result;
    if (!cupsGetDestMediaBySize(http, dest, info, width, length, CUPS_MEDIA_FLAGS_DEFAULT, &result.size))
        return std::nullopt;
    result.keyword = keywordForSize(result.size.width, result.size.length);
    if (result.keyword.isEmpty())
        result.keyword = QString::fromUtf8(result.size.media);
    return result;
}

// The queue's default media. cupsGetDestMediaDefault() is no help here: it reads only the "media"
// of the destination's options and takes US Letter when that is missing, whatever the queue's
// default is. The default is looked for in that order: the destination's "media" (the user's
// lpoptions, or the queue's media-default as the scheduler lists it), the queue's media-default,
// then the size in its media-col-default (a queue whose paper was set through its PPD may report
// an empty media-default).
std::optional<Media> defaultMedia(http_t *http, cups_dest_t *dest, cups_dinfo_t *info)
{
    // libcups resolves a name that its own table lacks (cupsd reports "oe_letter_8.5x11in" for some
    // PPD sizes) in a buffer that building the queue's media database overwrites, and then answers
    // with another size. Counting the media builds the database first.
    (void)cupsGetDestMediaCount(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);

    QList<QByteArray> names = QByteArray(cupsGetOption("media", dest->num_options, dest->options)).split(',');
    if (ipp_attribute_t *const queueDefault = cupsFindDestDefault(http, dest, info, "media"))
        names << QByteArray(ippGetString(queueDefault, 0, nullptr));
    for (const QByteArray &name : names) {
        if (const std::optional<Media> media = mediaNamed(http, dest, info, name))
            return media;
    }
    return mediaOfDefaultCollection(http, dest, info);
}

} // namespace

DefaultPrinter lookUpDefaultPrinter()
{
    return lookUpPrinter(QString());
}

DefaultPrinter lookUpPrinter(const QString &queue)
{
    // libcups reads CUPS_SERVER and the client.conf files once per thread and keeps the answer;
    // forgetting it here lets every run see the print system as it is set up now.
    cupsSetServer(nullptr);
    const Connection http;
    if (!http) {
        if (!serverConfigured(http.server()))
            return {DefaultPrinter::NoPrintSystem, std::nullopt, QString()};
        return {DefaultPrinter::Unreachable, std::nullopt, http.connectFailure()};
    }

    const QByteArray queueName = queue.toUtf8();
    cups_dest_t *const dest =
        cupsGetNamedDest(http.get(), queue.isEmpty() ? nullptr : queueName.constData(), nullptr);
    if (!dest) {
        const QString said = lastErrorText();
        if (const QString failure = http.failure(); !failure.isEmpty())
            return {DefaultPrinter::Unreachable, std::nullopt, failure};
        cups_dest_t *dests = nullptr;
        const int count = cupsGetDests2(http.get(), &dests);
        cupsFreeDests(count, dests);
        if (const QString failure = http.failure(); !failure.isEmpty())
            return {DefaultPrinter::Unreachable, std::nullopt, failure};
        if (count > 0)
            return {DefaultPrinter::NoDefaultQueue, std::nullopt, said};
        // "Not found" is the answer of a print system without queues; anything else is a refusal.
        if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
            return {DefaultPrinter::Unreachable, std::nullopt, lastErrorText()};
        return {DefaultPrinter::NoQueue, std::nullopt, QString()};
    }
    const auto freeDest = qScopeGuard([dest] { cupsFreeDests(1, dest); });

    PrinterInfo info;
    info.name = QString::fromUtf8(dest->name);
    info.layout = localePageLayout();
    const pwg_media_t *const localePaper = pwgMediaForPPD(info.layout.pageSize().key().toUtf8().constData());
    info.media = localePaper && localePaper->pwg ? QString::fromUtf8(localePaper->pwg) : QString();
    info.landscapeSupported = false;
    cups_dinfo_t *const details = cupsCopyDestInfo(http.get(), dest);
    if (!details) {
        if (const QString failure = http.failure(); !failure.isEmpty())
            return {DefaultPrinter::Unreachable, std::nullopt, failure};
        return {DefaultPrinter::Found, info, QString()};
    }
    const auto freeDetails = qScopeGuard([details] { cupsFreeDestInfo(details); });

    std::optional<Media> media = defaultMedia(http.get(), dest, details);
    if (!media) // the queue reports no default: the locale's paper, with the queue's margins for it
        media = mediaNamed(http.get(), dest, details, info.media.toUtf8());
    if (media) {
        info.layout = layoutOf(media->size);
        info.media = media->keyword;
    }
    info.landscapeSupported =
        cupsCheckDestSupported(http.get(), dest, details, CUPS_ORIENTATION, CUPS_ORIENTATION_LANDSCAPE) != 0;
    if (const QString failure = http.failure(); !failure.isEmpty())
        return {DefaultPrinter::Unreachable, std::nullopt, failure};
    return {DefaultPrinter::Found, info, QString()};
}

int submitPdf(const QString &printer, const QString &pdfPath, const QString &title, const JobPaper &paper)
{
    const QByteArray name = printer.toUtf8();
    const QByteArray file = encodeFileName(pdfPath);
    const QByteArray jobTitle = title.toUtf8();
    const QByteArray media = paper.media.toUtf8();
    cups_option_t *options = nullptr;
    int optionCount = cupsAddOption("document-format", "application/pdf", 0, &options);
    if (!media.isEmpty())
        optionCount = cupsAddOption("media", media.constData(), optionCount, &options);
    // Without these the filters shrink a page to the printable area when the queue (or the user's
    // options) asks for fit-to-page, and scale and crop it when its size differs from the sheet's.
    // A landscape page is turned onto the sheet the way the queue turns landscape pages; saying
    // "portrait" for a portrait page keeps a queue whose default orientation is landscape from
    // turning it upside down.
    optionCount = cupsAddOption("print-scaling", "none", optionCount, &options);
    optionCount = cupsAddOption("orientation-requested", paper.landscape ? "4" : "3", optionCount, &options);
    const auto freeOptions = qScopeGuard([&] { cupsFreeOptions(optionCount, options); });

    const auto unavailable = [&](const QString &reason) {
        return PrintError(PrintError::PrintSystemUnavailable,
                          QStringLiteral("The print job %1 could not be sent to the printer %2: the print "
                                         "system cannot be reached (%3).")
                              .arg(title, printer, reason));
    };
    const Connection http;
    if (!http)
        throw unavailable(http.connectFailure());
    const int job = cupsPrintFile2(http.get(), name.constData(), file.constData(), jobTitle.constData(),
                                   optionCount, options);
    if (job <= 0) {
        // A failed submission does not say by its status whether the server went away or refused
        // the job, so the connection, and then a new one, are asked.
        const QString reason = lastErrorText();
        if (const QString failure = http.failure(); !failure.isEmpty())
            throw unavailable(failure);
        if (!Connection())
            throw unavailable(reason);
        throw PrintError(PrintError::PrinterRefusedJob,
                         QStringLiteral("The printer %1 did not accept the print job %2: %3.")
                             .arg(printer, title, reason));
    }
    return job;
}

std::optional<QueueState> queueState(const QString &printer)
{
    const Connection http;
    if (!http)
        return std::nullopt;
    const QByteArray name = printer.toUtf8();
    cups_dest_t *const dest = cupsGetNamedDest(http.get(), name.constData(), nullptr);
    if (!dest)
        return std::nullopt;
    const auto freeDest = qScopeGuard([dest] { cupsFreeDests(1, dest); });
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    if (!state)
        return std::nullopt;
    QueueState result;
    result.stopped = qstrcmp(state, "5") == 0; // IPP printer-state: 3 idle, 4 processing, 5 stopped
    const char *accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    result.acceptingJobs = !accepting || qstrcmp(accepting, "true") == 0;
    result.reasons =
        QString::fromUtf8(cupsGetOption("printer-state-reasons", dest->num_options, dest->options));
    return result;
}

} // namespace Cups
