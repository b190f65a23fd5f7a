// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "cupsprinter.h"

#include "filename.h"
#include "paperlayout.h"
#include "printerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QSizeF>
#include <QStringList>
#include <QThread>

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

// The texts of this file, translated in the context "Printer".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

} // namespace

namespace Cups {

bool isPrinterAddress(const QString &printer)
{
    return printer.startsWith(QLatin1String("ipp://"), Qt::CaseInsensitive) ||
           printer.startsWith(QLatin1String("ipps://"), Qt::CaseInsensitive);
}

JobOptions parseOptions(const QString &text)
{
    cups_option_t *options = nullptr;
    const int count = cupsParseOptions(text.toUtf8().constData(), 0, &options);
    JobOptions parsed;
    for (int i = 0; i < count; ++i)
        parsed.append({QByteArray(options[i].name), QByteArray(options[i].value)});
    cupsFreeOptions(count, options);
    return parsed;
}

QString whyNotAnOption(const QByteArray &name)
{
    const auto is = [&name](std::initializer_list<const char *> names) {
        return std::any_of(names.begin(), names.end(),
                           [&name](const char *option) { return qstricmp(name.constData(), option) == 0; });
    };
    // The names as IPP has them, and as the CUPS commands and PPD files take them.
    if (is({"media", "media-col", "PageSize", "PageRegion"}))
        return Words::tr("the pages are drawn on the printer's own paper (its default media), so "
                         "another one cannot be chosen here; make it the printer's default paper");
    if (is({"print-scaling", "fit-to-page", "fitplot", "scaling"}))
        return Words::tr("the pages are drawn to the printable area and printed at their size, "
                         "not scaled");
    if (is({"orientation-requested", "landscape", "portrait"}))
        return Words::tr("use -l/--landscape for landscape pages");
    if (is({"number-up"}))
        return Words::tr("every record is printed on a sheet of its own");
    if (is({"page-ranges"}))
        return Words::tr("use -r/--records to print some of the records");
    return {};
}

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

// A connection whose waits are bounded: connecting takes at most ConnectTimeoutMs and each answer
// at most AnswerTimeoutSeconds, after which the request fails with ETIMEDOUT instead of waiting on
// (libcups's own default connection waits a minute and more). It goes to the print server, or
// straight to the printer at an address.
class Connection
{
public:
    Connection()
        : m_server(cupsServer()), m_name(serverText(m_server)),
          m_http(httpConnect2(m_server.constData(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              ConnectTimeoutMs, nullptr))
    {
        if (m_http)
            httpSetTimeout(m_http, AnswerTimeoutSeconds, nullptr, nullptr);
    }
    // The printer that dest (made from its address by cupsGetDestWithURI) names.
    Connection(cups_dest_t *dest, const QString &address) : m_name(address)
    {
        char resource[1024];
        m_http = cupsConnectDest(dest, CUPS_DEST_FLAGS_NONE, ConnectTimeoutMs, nullptr, resource,
                                 sizeof resource, nullptr, nullptr);
        m_address = true;
        // cupsConnectDest answers with a connection object even when no connection was made.
        if (m_http && httpGetFd(m_http) < 0) {
            httpClose(m_http);
            m_http = nullptr;
        }
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
        if (m_address)
            return Words::tr("the printer %1 cannot be connected to: %2").arg(m_name, lastErrorText());
        if (m_server.startsWith('/')) {
            const QFileInfo socket(decodeFileName(m_server));
            return socket.exists() || socket.isSymLink()
                       ? Words::tr("the socket %1 does not accept connections").arg(m_name)
                       : Words::tr("the socket %1 does not exist").arg(m_name);
        }
        return Words::tr("the print server %1 cannot be connected to: %2").arg(m_name, lastErrorText());
    }

    // Why the last exchange failed on the connection itself (no answer in time, connection lost);
    // empty when the server answered.
    [[nodiscard]] QString failure() const
    {
        const int error = m_http ? httpError(m_http) : 0;
        if (error == 0)
            return {};
        if (error == ETIMEDOUT)
            return (m_address ? Words::tr("the printer %1 did not answer within %2 seconds")
                              : Words::tr("the print server %1 did not answer within %2 seconds"))
                .arg(m_name)
                .arg(AnswerTimeoutSeconds);
        return (m_address ? Words::tr("the connection to the printer %1 failed: %2")
                          : Words::tr("the connection to the print server %1 failed: %2"))
            .arg(m_name, QString::fromLocal8Bit(std::strerror(error)));
    }

private:
    QByteArray m_server; // the print server; empty for an address
    QString m_name;      // the server or the address as the user would name it
    http_t *m_http = nullptr;
    bool m_address = false;
};

// A printer by its queue name (empty: the default queue) or by its address, and a connection that
// reaches it. The destination is missing when the connection could not be made, or the print
// system has no queue of the name, or an address is not one that libcups takes.
class Destination
{
public:
    explicit Destination(const QString &printer) : m_address(isPrinterAddress(printer))
    {
        const QByteArray name = printer.toUtf8();
        if (m_address) {
            m_dest = cupsGetDestWithURI(nullptr, name.constData());
            if (m_dest) {
                // libcups gives such a destination the address as its device only; named as the
                // printer's own address too, it is the printer that is connected to and asked,
                // not the print server.
                m_dest->num_options = cupsAddOption("printer-uri-supported", name.constData(),
                                                    m_dest->num_options, &m_dest->options);
                m_http.emplace(m_dest, printer);
            }
            return;
        }
        m_http.emplace();
        if (*m_http)
            m_dest = cupsGetNamedDest(m_http->get(), printer.isEmpty() ? nullptr : name.constData(), nullptr);
    }
    ~Destination()
    {
        if (m_dest)
            cupsFreeDests(1, m_dest);
    }
    Destination(const Destination &) = delete;
    Destination &operator=(const Destination &) = delete;

    [[nodiscard]] bool isAddress() const { return m_address; }
    // Whether a connection was made (to the print server, or to the printer at the address).
    [[nodiscard]] bool connected() const { return m_http && *m_http; }
    [[nodiscard]] const Connection &connection() const { return *m_http; }
    [[nodiscard]] http_t *http() const { return m_http ? m_http->get() : nullptr; }
    [[nodiscard]] cups_dest_t *dest() const { return m_dest; }
    // Why the printer cannot be reached: the connection failed, or an address could not be used.
    [[nodiscard]] QString unreachableReason(const QString &printer) const
    {
        if (m_http)
            return m_http->connectFailure();
        return Words::tr("%1 is not the address of a printer: %2").arg(printer, lastErrorText());
    }

    // The printer's answer to Get-Printer-Attributes for the attributes named, asked of the printer
    // itself (a printer reached by its address has no queue's list to read them from); nothing when
    // it cannot be asked or does not answer. The caller deletes the answer.
    [[nodiscard]] ipp_t *printerAttributes(const std::vector<const char *> &names) const
    {
        if (!connected() || !m_dest)
            return nullptr;
        const char *const uri = cupsGetOption("printer-uri-supported", m_dest->num_options, m_dest->options);
        if (!uri)
            return nullptr;
        char scheme[32], user[256], host[256], resource[1024];
        int port = 0;
        if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, user, sizeof user, host,
                            sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK)
            return nullptr;
        ipp_t *const request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(names.size()),
                      nullptr, names.data());
        ipp_t *const response = cupsDoRequest(http(), request, resource);
        if (response && ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
            ippDelete(response);
            return nullptr;
        }
        return response;
    }

private:
    bool m_address;
    cups_dest_t *m_dest = nullptr;
    std::optional<Connection> m_http;
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

// The values a printer offers for an option, as its "-supported" attribute lists them.
QString offeredValues(ipp_attribute_t *supported)
{
    const size_t size = ippAttributeString(supported, nullptr, 0) + 1;
    QByteArray text(qsizetype(size), '\0');
    ippAttributeString(supported, text.data(), size);
    return QString::fromUtf8(text.constData()).replace(QLatin1Char(','), QStringLiteral(", "));
}

// The options of every job on a destination: its own options beneath those asked for, and the
// copies collated when there are several. Each option asked for is checked against the values the
// printer lists for it; the answer is why the printer cannot print as asked, or nothing. info may
// be missing (a queue that does not describe itself): the options then go unchecked.
std::optional<QString> settleJobOptions(http_t *http, cups_dest_t *dest, cups_dinfo_t *info, bool address,
                                        const QString &printer, const JobOptions &asked, JobOptions &options)
{
    options.clear();
    for (int i = 0; i < dest->num_options; ++i) {
        const QByteArray name(dest->options[i].name);
        // Besides the queue's defaults and the lpoptions, a queue's destination lists what describes
        // the printer (its state, model, device and supplies), which is not for jobs.
        if (name.startsWith("printer-") || name.startsWith("marker-") || name == "device-uri" ||
            name == "auth-info-required")
            continue;
        // The options that would change how the pages go on the sheet are dropped here rather than
        // refused as on the command line: they come from lpoptions or the queue's defaults (such as
        // number-up=1), which the user did not ask for on this run, and the pages are drawn for the
        // printer's own paper whatever they say.
        if (!whyNotAnOption(name).isEmpty())
            continue;
        options.append({name, QByteArray(dest->options[i].value)});
    }
    for (const auto &[name, value] : asked)
        setOption(options, name, value);

    const auto offers = [&](const char *name, const char *value) {
        return info && cupsCheckDestSupported(http, dest, info, name, value) != 0;
    };
    if (info) {
        for (const auto &[name, value] : asked) {
            ipp_attribute_t *const supported = cupsFindDestSupported(http, dest, info, name.constData());
            if (!supported) {
                // A queue's own driver options (those of its PPD, such as InputSlot) are listed nowhere,
                // and the queue takes them as lp passes them on; a printer reached by its address has
                // no such options, and one it does not list it does not know.
                if (address)
                    return Words::tr("The printer %1 has no option %2").arg(printer, QString::fromUtf8(name));
                continue;
            }
            // Only lists of values and ranges say which values are taken: an integer or a boolean
            // there (job-priority-supported, page-ranges-supported) counts levels or says yes.
            const ipp_tag_t tag = ippGetValueTag(supported);
            if (tag != IPP_TAG_KEYWORD && tag != IPP_TAG_ENUM && tag != IPP_TAG_RANGE &&
                tag != IPP_TAG_NAME && tag != IPP_TAG_RESOLUTION)
                continue;
            if (!offers(name.constData(), value.constData()))
                return Words::tr("The printer %1 does not offer %2=%3; it offers %2=%4")
                    .arg(printer, QString::fromUtf8(name), QString::fromUtf8(value),
                         offeredValues(supported));
        }
    }
    // Several copies come as whole documents one after the other, as from a copier that sorts.
    if (optionValue(options, "copies").toInt() > 1 &&
        optionValue(options, "multiple-document-handling").isEmpty() &&
        offers("multiple-document-handling", "separate-documents-collated-copies"))
        setOption(options, "multiple-document-handling", "separate-documents-collated-copies");
    return std::nullopt;
}

// What the printer says about the documents it takes and the bins it stacks them in; nothing where
// it cannot be asked.
PrinterOffers readOffers(const Destination &destination)
{
    PrinterOffers offers;
    ipp_t *const response = destination.printerAttributes(
        {"document-format-supported", "pwg-raster-document-resolution-supported",
         "pwg-raster-document-type-supported", "pwg-raster-document-sheet-back", "urf-supported",
         "copies-supported", "color-supported", "output-bin-default", "printer-output-tray",
         "page-delivery-supported", "sides-default"});
    if (!response)
        return offers;
    const auto freeResponse = qScopeGuard([response] { ippDelete(response); });
    const auto texts = [response](const char *name) {
        QStringList values;
        ipp_attribute_t *const attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
        for (int i = 0; attribute && i < ippGetCount(attribute); ++i) {
            if (ippGetValueTag(attribute) == IPP_TAG_STRING) {
                int length = 0;
                const void *const data = ippGetOctetString(attribute, i, &length);
                values << QString::fromUtf8(static_cast<const char *>(data), length);
            } else if (const char *const text = ippGetString(attribute, i, nullptr)) {
                values << QString::fromUtf8(text);
            }
        }
        return values;
    };
    offers.formats = texts("document-format-supported");
    offers.pwgTypes = texts("pwg-raster-document-type-supported");
    offers.pwgSheetBack = texts("pwg-raster-document-sheet-back").value(0);
    offers.urf = texts("urf-supported");
    offers.outputBinDefault = texts("output-bin-default").value(0);
    offers.outputTrays = texts("printer-output-tray");
    offers.pageDelivery = texts("page-delivery-supported");
    offers.sidesDefault = texts("sides-default").value(0);
    if (ipp_attribute_t *const resolutions =
            ippFindAttribute(response, "pwg-raster-document-resolution-supported", IPP_TAG_RESOLUTION)) {
        for (int i = 0; i < ippGetCount(resolutions); ++i) {
            int down = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int across = ippGetResolution(resolutions, i, &down, &units);
            const auto inches = [units](int value) {
                return units == IPP_RES_PER_CM ? int(std::lround(value * 2.54)) : value;
            };
            offers.pwgResolutions << QSize(inches(across), inches(down));
        }
    }
    if (ipp_attribute_t *const copies = ippFindAttribute(response, "copies-supported", IPP_TAG_RANGE)) {
        int upper = 1;
        (void)ippGetRange(copies, 0, &upper);
        offers.maxCopies = upper;
    }
    if (ipp_attribute_t *const colour = ippFindAttribute(response, "color-supported", IPP_TAG_BOOLEAN))
        offers.colour = ippGetBoolean(colour, 0) != 0;
    return offers;
}

// The default printer given by its address in LPDEST or PRINTER (libcups takes them as the names of
// queues only, and so would find no such queue); empty when they name none.
QString defaultAddress()
{
    for (const char *variable : {"LPDEST", "PRINTER"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return isPrinterAddress(value) ? value : QString();
    }
    return {};
}

// Why the printer wanted cannot be looked at, where it cannot: no print system, no connection, no
// queue of the name or none at all, an address with no printer behind it.
std::optional<DefaultPrinter> missingPrinter(const Destination &destination, const QString &wanted)
{
    if (destination.isAddress()) {
        if (!destination.dest())
            return DefaultPrinter{DefaultPrinter::NoDefaultQueue, std::nullopt,
                                  destination.unreachableReason(wanted)};
        if (!destination.connected())
            return DefaultPrinter{DefaultPrinter::Unreachable, std::nullopt,
                                  destination.unreachableReason(wanted)};
        return std::nullopt;
    }
    const Connection &http = destination.connection();
    if (!http) {
        if (!serverConfigured(http.server()))
            return DefaultPrinter{DefaultPrinter::NoPrintSystem, std::nullopt, QString()};
        return DefaultPrinter{DefaultPrinter::Unreachable, std::nullopt, http.connectFailure()};
    }
    if (destination.dest())
        return std::nullopt;
    const QString said = lastErrorText();
    if (const QString failure = http.failure(); !failure.isEmpty())
        return DefaultPrinter{DefaultPrinter::Unreachable, std::nullopt, failure};
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(http.get(), &dests);
    cupsFreeDests(count, dests);
    if (const QString failure = http.failure(); !failure.isEmpty())
        return DefaultPrinter{DefaultPrinter::Unreachable, std::nullopt, failure};
    if (count > 0)
        return DefaultPrinter{DefaultPrinter::NoDefaultQueue, std::nullopt, said};
    // "Not found" is the answer of a print system without queues; anything else is a refusal.
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
        return DefaultPrinter{DefaultPrinter::Unreachable, std::nullopt, lastErrorText()};
    return DefaultPrinter{DefaultPrinter::NoQueue, std::nullopt, QString()};
}

// The printer found, with the job options settled against what it offers (details may be missing:
// a queue that does not describe itself); or why it cannot print as asked.
DefaultPrinter settledPrinter(const Destination &destination, cups_dinfo_t *details, const JobOptions &asked,
                              PrinterInfo &info)
{
    const Connection &http = destination.connection();
    if (const std::optional<QString> refusal =
            settleJobOptions(http.get(), destination.dest(), details, destination.isAddress(), info.name,
                             asked, info.jobOptions))
        return {DefaultPrinter::OptionNotSupported, std::nullopt, *refusal};
    if (const QString failure = http.failure(); !failure.isEmpty())
        return {DefaultPrinter::Unreachable, std::nullopt, failure};
    return {DefaultPrinter::Found, info, QString()};
}

// The paper the printer's details give, and whether the printer takes landscape pages.
void takePaperOf(http_t *http, cups_dest_t *dest, cups_dinfo_t *details, PrinterInfo &info)
{
    std::optional<Media> media = defaultMedia(http, dest, details);
    if (!media) // the queue reports no default: the locale's paper, with the queue's margins for it
        media = mediaNamed(http, dest, details, info.media.toUtf8());
    if (media) {
        info.layout = layoutOf(media->size);
        info.media = media->keyword;
    }
    // Raster pages are turned onto the sheet here, whatever the printer does with orientations.
    info.landscapeSupported =
        info.plan.raster() ||
        cupsCheckDestSupported(http, dest, details, CUPS_ORIENTATION, CUPS_ORIENTATION_LANDSCAPE) != 0;
}

} // namespace

DefaultPrinter lookUpDefaultPrinter()
{
    return lookUpPrinter(QString());
}

DefaultPrinter lookUpPrinter(const QString &printer, const JobOptions &asked)
{
    // libcups reads CUPS_SERVER and the client.conf files once per thread and keeps the answer;
    // forgetting it here lets every run see the print system as it is set up now.
    cupsSetServer(nullptr);
    const QString wanted = printer.isEmpty() ? defaultAddress() : printer;
    const Destination destination(wanted);
    if (std::optional<DefaultPrinter> missing = missingPrinter(destination, wanted))
        return std::move(*missing);
    const Connection &http = destination.connection();
    cups_dest_t *const dest = destination.dest();

    PrinterInfo info;
    info.name = destination.isAddress() ? wanted : QString::fromUtf8(dest->name);
    info.layout = localePageLayout();
    const pwg_media_t *const localePaper = pwgMediaForPPD(info.layout.pageSize().key().toUtf8().constData());
    info.media = localePaper && localePaper->pwg ? QString::fromUtf8(localePaper->pwg) : QString();
    // What is sent is decided before anything is drawn: a printer that takes none of the formats
    // is refused now.
    JobOptions askedOfPrinter = asked;
    const PlanOutcome planned =
        planDocument(readOffers(destination), askedOfPrinter, destination.isAddress(), info.name);
    if (const QString failure = http.failure(); !failure.isEmpty())
        return {DefaultPrinter::Unreachable, std::nullopt, failure};
    if (!planned.plan)
        return {DefaultPrinter::OptionNotSupported, std::nullopt, planned.refusal};
    info.plan = *planned.plan;
    info.landscapeSupported = info.plan.raster();
    cups_dinfo_t *const details = cupsCopyDestInfo(http.get(), dest);
    if (!details) {
        if (const QString failure = http.failure(); !failure.isEmpty())
            return {DefaultPrinter::Unreachable, std::nullopt, failure};
        // A printer's address with no printer behind it (the server answers "not found").
        if (destination.isAddress())
            return {DefaultPrinter::NoDefaultQueue, std::nullopt, lastErrorText()};
        return settledPrinter(destination, nullptr, askedOfPrinter, info);
    }
    const auto freeDetails = qScopeGuard([details] { cupsFreeDestInfo(details); });
    takePaperOf(http.get(), dest, details, info);
    return settledPrinter(destination, details, askedOfPrinter, info);
}

namespace {

// Answers that say the printer cannot take a job now but will later: it is busy with another one,
// or not taking jobs for a while (a printer by its address; a queue that does not accept jobs has
// been told so by its administrator, and waiting would not change that).
bool busyAnswer(ipp_status_t status, bool address)
{
    return status == IPP_STATUS_ERROR_BUSY || status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE ||
           (address && status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS);
}

// The pause after the first busy answer, and the longest one: they grow from one to the other.
constexpr int FirstPauseMs = 1000;
constexpr int LongestPauseMs = 30000;
// How often the one who waits is asked whether to go on.
constexpr int AskEveryMs = 100;

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeIecFormat);
}

// The options a job is created with: the user's, the paper's media and, for a PDF, how its pages
// lie on the sheet. libcups's list, freed with this.
class JobOptionList
{
public:
    JobOptionList(const JobPaper &paper, const JobOptions &jobOptions, bool raster)
    {
        for (const auto &[name, value] : jobOptions)
            m_count = cupsAddOption(name.constData(), value.constData(), m_count, &m_options);
        const QByteArray media = paper.media.toUtf8();
        if (!media.isEmpty())
            m_count = cupsAddOption("media", media.constData(), m_count, &m_options);
        // Without these the filters shrink a page to the printable area when the queue (or the
        // user's options) asks for fit-to-page, and scale and crop it when its size differs from
        // the sheet's. A landscape page is turned onto the sheet the way the queue turns landscape
        // pages; saying "portrait" for a portrait page keeps a queue whose default orientation is
        // landscape from turning it upside down. A raster document is already the sheets, turned
        // and at their size.
        if (!raster) {
            m_count = cupsAddOption("print-scaling", "none", m_count, &m_options);
            m_count =
                cupsAddOption("orientation-requested", paper.landscape ? "4" : "3", m_count, &m_options);
        }
    }
    ~JobOptionList() { cupsFreeOptions(m_count, m_options); }
    JobOptionList(const JobOptionList &) = delete;
    JobOptionList &operator=(const JobOptionList &) = delete;

    [[nodiscard]] int count() const { return m_count; }
    [[nodiscard]] cups_option_t *options() const { return m_options; }

private:
    cups_option_t *m_options = nullptr;
    int m_count = 0;
};

// The errors of sending one job to one printer: the print system out of reach, or the printer
// refusing the job.
struct JobFailures
{
    const QString &printer;
    const QString &title;
    const Destination &destination;

    [[nodiscard]] PrintError unavailable(const QString &reason) const
    {
        return PrintError(PrintError::PrintSystemUnavailable,
                          Words::tr("The print job %1 could not be sent to the printer %2: the print "
                                    "system cannot be reached (%3).")
                              .arg(title, printer, reason));
    }

    // A failed exchange does not say by its status whether the printer went away or refused the
    // job, so the connection, and then a new one, are asked.
    [[nodiscard]] PrintError failed(const QString &reason) const
    {
        if (destination.dest() || !destination.isAddress()) {
            if (const QString failure = destination.connection().failure(); !failure.isEmpty())
                return unavailable(failure);
            if (!Destination(printer).connected())
                return unavailable(reason);
        }
        return PrintError(
            PrintError::PrinterRefusedJob,
            Words::tr("The printer %1 did not accept the print job %2: %3.").arg(printer, title, reason));
    }
};

// The job created on the printer, its number; nothing where the one who waits gave up. A printer
// busy with another job is asked again, after pauses that grow, as lp does, until it takes the job
// or the time allowed has passed; the one who waits may give up in between.
std::optional<int> createJob(cups_dinfo_t *details, const QByteArray &jobTitle, const JobOptionList &options,
                             const BusyWait &wait, const JobFailures &failures)
{
    const Destination &destination = failures.destination;
    int job = 0;
    QElapsedTimer waited;
    int pauseMs = FirstPauseMs;
    while (cupsCreateDestJob(destination.http(), destination.dest(), details, &job, jobTitle.constData(),
                             options.count(), options.options()) > IPP_STATUS_OK_EVENTS_COMPLETE ||
           job <= 0) {
        const ipp_status_t status = cupsLastError();
        if (!busyAnswer(status, destination.isAddress()))
            throw failures.failed(lastErrorText());
        if (!waited.isValid())
            waited.start();
        const qint64 left = qint64(wait.limitSeconds) * 1000 - waited.elapsed();
        if (left <= 0)
            throw failures.failed(lastErrorText());
        const QString waiting = Words::tr("Waiting for the printer %1: it is busy").arg(failures.printer);
        QElapsedTimer pause;
        pause.start();
        const qint64 pauseLength = std::min<qint64>(pauseMs, left);
        do {
            if (wait.handler && !wait.handler(waiting))
                return std::nullopt;
            QThread::msleep(ulong(std::clamp<qint64>(pauseLength - pause.elapsed(), 1, AskEveryMs)));
        } while (pause.elapsed() < pauseLength);
        pauseMs = std::min(pauseMs * 2, LongestPauseMs);
        job = 0;
    }
    return job;
}

// A job created on the printer whose document is being sent. A failure from here on leaves a job
// without its document: it is cancelled, so that nothing of it is printed, and what went wrong is
// said.
struct CreatedJob
{
    cups_dinfo_t *details;
    int id;
    const JobDocument &document;
    const JobFailures &failures;
    qint64 sent = 0; // the bytes of the document sent so far

    [[nodiscard]] http_t *http() const { return failures.destination.http(); }
    [[nodiscard]] cups_dest_t *dest() const { return failures.destination.dest(); }
    void cancel() const { (void)cupsCancelDestJob(http(), dest(), id); }

    // The job cancelled, and why its document was not taken.
    [[nodiscard]] PrintError abandon(const QString &reason) const
    {
        const QString &printer = failures.printer;
        const QString &title = failures.title;
        // A server that refuses a document for its size (cupsd's MaxRequestSize) answers so in HTTP
        // (which libcups passes on as client-error-request-value-too-long), or in IPP.
        if (httpGetStatus(http()) == HTTP_STATUS_REQUEST_TOO_LARGE ||
            cupsLastError() == IPP_STATUS_ERROR_REQUEST_ENTITY) {
            cancel();
            return PrintError(PrintError::PrinterRefusedJob,
                              (document.size >= 0
                                   ? Words::tr("The printer %1 did not accept the print job %2: the print "
                                               "server refuses a document of its size (%3).")
                                   : Words::tr("The printer %1 did not accept the print job %2: the print "
                                               "server refuses a document of its size (more than %3)."))
                                  .arg(printer, title, sizeText(document.size >= 0 ? document.size : sent)));
        }
        if (cupsLastError() == IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED &&
            !document.formatsTaken.isEmpty()) {
            cancel();
            return PrintError(PrintError::PrinterRefusedJob,
                              Words::tr("The printer %1 did not accept the print job %2 as %3: %4 (it takes "
                                        "%5).")
                                  .arg(printer, title, QString::fromLatin1(mimeType(document.format)), reason,
                                       document.formatsTaken.join(QStringLiteral(", "))));
        }
        const PrintError error = failures.failed(reason);
        cancel();
        return error;
    }
};

// The document written into the created job: true when the printer took it whole, false when the
// one who waits stopped it (the job is then cancelled); a failure cancels the job and throws.
bool sendJobDocument(CreatedJob &job, const QByteArray &jobTitle)
{
    http_t *const http = job.http();
    cups_dest_t *const dest = job.dest();
    if (cupsStartDestDocument(http, dest, job.details, job.id, jobTitle.constData(),
                              mimeType(job.document.format), 0, nullptr, 1) != HTTP_STATUS_CONTINUE)
        throw job.abandon(lastErrorText());
    const DocumentSink sink = [&](const char *data, size_t size) {
        if (cupsWriteRequestData(http, data, size) != HTTP_STATUS_CONTINUE)
            return false;
        job.sent += qint64(size);
        return true;
    };
    Written written = Written::Refused;
    try {
        written = job.document.write(sink);
    } catch (const PrintError &) {
        (void)cupsFinishDestDocument(http, dest, job.details);
        job.cancel();
        throw;
    }
    if (written == Written::Stopped) {
        (void)cupsFinishDestDocument(http, dest, job.details);
        job.cancel();
        return false;
    }
    if (written == Written::Refused) {
        // A server that stops taking a document (cupsd, when it is larger than its MaxRequestSize)
        // closes the connection; its answer, waiting to be read, says why.
        const QString writeFailure = lastErrorText();
        if (cupsFinishDestDocument(http, dest, job.details) <= IPP_STATUS_OK_EVENTS_COMPLETE)
            throw job.abandon(writeFailure);
        throw job.abandon(lastErrorText());
    }
    if (cupsFinishDestDocument(http, dest, job.details) > IPP_STATUS_OK_EVENTS_COMPLETE)
        throw job.abandon(lastErrorText());
    return true;
}

} // namespace

std::optional<int> submitDocument(const QString &printer, const QString &title, const JobPaper &paper,
                                  const JobOptions &jobOptions, const JobDocument &document,
                                  const BusyWait &wait)
{
    const QByteArray jobTitle = title.toUtf8();
    const JobOptionList options(paper, jobOptions, document.format != DocumentFormat::Pdf);
    const Destination destination(printer);
    const JobFailures failures{printer, title, destination};
    if (destination.dest() && !destination.connected())
        throw failures.unavailable(destination.unreachableReason(printer));
    if (!destination.isAddress() && !destination.connected())
        throw failures.unavailable(destination.connection().connectFailure());
    if (!destination.dest())
        throw failures.failed(lastErrorText());
    cups_dinfo_t *const details = cupsCopyDestInfo(destination.http(), destination.dest());
    if (!details)
        throw failures.failed(lastErrorText());
    const auto freeDetails = qScopeGuard([details] { cupsFreeDestInfo(details); });

    const std::optional<int> job = createJob(details, jobTitle, options, wait, failures);
    if (!job)
        return std::nullopt;
    CreatedJob created{details, *job, document, failures};
    if (!sendJobDocument(created, jobTitle))
        return std::nullopt;
    return job;
}

JobDocument pdfDocument(QFile &file)
{
    JobDocument document;
    document.size = file.size();
    document.write = [&file](const DocumentSink &sink) {
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        while (true) {
            const qint64 read = file.read(chunk.data(), chunk.size());
            if (read < 0)
                throw PrintError(PrintError::DocumentNotWritable,
                                 Words::tr("The print document %1 could not be read again to be sent: %2.")
                                     .arg(displayPath(file.fileName()), file.errorString()));
            if (read == 0)
                return Written::Whole;
            if (!sink(chunk.constData(), size_t(read)))
                return Written::Refused;
        }
    };
    return document;
}

int submitPdf(const QString &printer, const QString &pdfPath, const QString &title, const JobPaper &paper,
              const JobOptions &jobOptions)
{
    QFile file(pdfPath);
    if (!file.open(QIODevice::ReadOnly))
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The print document %1 could not be read again to be sent: %2.")
                             .arg(displayPath(pdfPath), file.errorString()));
    // Nobody to ask: a busy printer is waited for as long as the wait allows.
    return *submitDocument(printer, title, paper, jobOptions, pdfDocument(file));
}

QString mediaKeyword(const QPageSize &size)
{
    const QSizeF millimetres = size.size(QPageSize::Millimeter);
    return keywordForSize(int(std::lround(millimetres.width() * 100)),
                          int(std::lround(millimetres.height() * 100)));
}

QueueList listQueues()
{
    cupsSetServer(nullptr);
    QueueList list;
    const Connection http;
    if (!http) {
        list.failure = http.connectFailure();
        return list;
    }
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(http.get(), &dests);
    for (int i = 0; i < count; ++i) {
        if (dests[i].instance == nullptr)
            list.names << QString::fromUtf8(dests[i].name);
    }
    cupsFreeDests(count, dests);
    if (const QString failure = http.failure(); !failure.isEmpty()) {
        list.names.clear();
        list.failure = failure;
        return list;
    }
    list.names.sort(Qt::CaseInsensitive);
    // The default as printing takes it: PRINTER, LPDEST and the lpoptions before the server's.
    if (!list.names.isEmpty()) {
        const Destination defaultQueue{QString()};
        if (defaultQueue.dest() && !defaultQueue.isAddress()) {
            list.defaultQueue = QString::fromUtf8(defaultQueue.dest()->name);
            if (list.names.removeOne(list.defaultQueue))
                list.names.prepend(list.defaultQueue);
            else
                list.defaultQueue.clear();
        }
    }
    return list;
}

QList<QByteArray> supportedValues(const QString &printer, const QByteArray &option)
{
    const Destination destination(printer);
    if (!destination.connected() || !destination.dest())
        return {};
    cups_dinfo_t *const details = cupsCopyDestInfo(destination.http(), destination.dest());
    if (!details)
        return {};
    const auto freeDetails = qScopeGuard([details] { cupsFreeDestInfo(details); });
    ipp_attribute_t *const supported =
        cupsFindDestSupported(destination.http(), destination.dest(), details, option.constData());
    QList<QByteArray> values;
    for (int i = 0; supported && i < ippGetCount(supported); ++i) {
        if (const char *const value = ippGetString(supported, i, nullptr))
            values << QByteArray(value);
    }
    return values;
}

std::optional<QueueState> queueState(const QString &printer)
{
    const Destination destination(printer);
    ipp_t *const response = destination.printerAttributes(
        {"printer-state", "printer-is-accepting-jobs", "printer-state-reasons"});
    if (!response)
        return std::nullopt;
    const auto freeResponse = qScopeGuard([response] { ippDelete(response); });
    ipp_attribute_t *const state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    if (!state)
        return std::nullopt;
    QueueState result;
    result.stopped = ippGetInteger(state, 0) == IPP_PSTATE_STOPPED; // 3 idle, 4 processing, 5 stopped
    ipp_attribute_t *const accepting =
        ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    result.acceptingJobs = !accepting || ippGetBoolean(accepting, 0);
    if (ipp_attribute_t *const reasons =
            ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD)) {
        QStringList words;
        for (int i = 0; i < ippGetCount(reasons); ++i)
            words << QString::fromUtf8(ippGetString(reasons, i, nullptr));
        result.reasons = words.join(QLatin1Char(','));
    }
    return result;
}

} // namespace Cups
