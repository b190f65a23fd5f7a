// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdffonts.h"

#include "filename.h"
#include "pdfwriter.h"
#include "printerror.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include <hb-subset.h>
#include <hb.h>

namespace {

// The texts of this file, translated in the context "Fonts".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Fonts)
};

// What the grid cannot do without: it aligns columns of digits and Latin letters.
constexpr std::string_view GridCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

QString noGridFontText(const QString &what)
{
    return Words::tr("%1; install fonts-urw-base35 (or another fixed-pitch font such as "
                     "fonts-dejavu-core) to print the grid.")
        .arg(what);
}

// The code points of text; an unpaired surrogate stands for itself.
template<typename Visit> void forEachCharacter(QStringView text, Visit visit)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            visit(QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else {
            visit(char32_t(unit));
        }
    }
}

void appendUtf16Hex(std::string &to, char32_t character)
{
    static const char Hex[] = "0123456789ABCDEF";
    const auto unit = [&to](char16_t value) {
        for (const int shift : {12, 8, 4, 0})
            to += Hex[(value >> shift) & 15];
    };
    if (QChar::requiresSurrogates(character)) {
        unit(QChar::highSurrogate(character));
        unit(QChar::lowSurrogate(character));
    } else {
        unit(char16_t(character));
    }
}

// Owners of the C libraries' handles, each freed by its library's own function.
template<typename T, void (*Free)(T *)> struct Freer
{
    void operator()(T *handle) const { Free(handle); }
};
template<typename T, void (*Free)(T *)> using Owned = std::unique_ptr<T, Freer<T, Free>>;
using HbBlob = Owned<hb_blob_t, hb_blob_destroy>;
using HbFace = Owned<hb_face_t, hb_face_destroy>;
using HbSubsetInput = Owned<hb_subset_input_t, hb_subset_input_destroy>;
using FcPatternOwner = Owned<FcPattern, FcPatternDestroy>;
using FcFontSetOwner = Owned<FcFontSet, FcFontSetDestroy>;
using FcCharSetOwner = Owned<FcCharSet, FcCharSetDestroy>;

void freeFace(FT_FaceRec_ *face)
{
    FT_Done_Face(face);
}
using FtFace = Owned<FT_FaceRec_, freeFace>;

void appendGlyphHex(std::string &to, unsigned short glyph)
{
    static const char Hex[] = "0123456789ABCDEF";
    for (const int shift : {12, 8, 4, 0})
        to += Hex[(glyph >> shift) & 15];
}

} // namespace

struct PdfFonts::FreeType
{
    FT_Library library = nullptr;
    FreeType()
    {
        if (FT_Init_FreeType(&library) != 0)
            throw std::bad_alloc();
    }
    ~FreeType() { FT_Done_FreeType(library); }
    FreeType(const FreeType &) = delete;
    FreeType &operator=(const FreeType &) = delete;
};

// A candidate face as fontconfig found it; opened with FreeType when first needed.
struct PdfFonts::Face
{
    QByteArray file;
    int index = 0;
    FcCharSetOwner charset; // fontconfig's, referenced
    FtFace owned;
    FT_Face ft = nullptr; // owned's
    bool opened = false;
    bool usable = false; // a scalable font in an OpenType or TrueType file, which can be subset

    int unitsPerEm = 1000;
    int ascender = 0; // the whole height above and below the baseline, in font units
    int descender = 0;
    bool cff = false;
    bool fixedPitch = false;
    QByteArray postScriptName;

    std::map<unsigned short, char32_t> used; // glyph -> the character it was drawn for first
    std::vector<bool> drawn;                 // by glyph: in used
    int fontObject = 0;

    bool open(FT_Library library)
    {
        if (opened)
            return usable;
        opened = true;
        if (FT_New_Face(library, file.constData(), index, &ft) != 0) {
            ft = nullptr;
            return false;
        }
        owned.reset(ft);
        if (!FT_IS_SCALABLE(ft) || !FT_IS_SFNT(ft) || ft->units_per_EM == 0)
            return false;
        unitsPerEm = ft->units_per_EM;
        const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
        if (os2 && os2->version != 0xFFFF && (os2->usWinAscent != 0 || os2->usWinDescent != 0)) {
            ascender = os2->usWinAscent;
            descender = os2->usWinDescent;
        } else {
            ascender = ft->ascender;
            descender = -ft->descender;
        }
        cff = FT_Get_Sfnt_Table(ft, FT_SFNT_MAXP) &&
              static_cast<const TT_MaxProfile *>(FT_Get_Sfnt_Table(ft, FT_SFNT_MAXP))->version == 0x5000;
        const char *name = FT_Get_Postscript_Name(ft);
        postScriptName = name ? QByteArray(name) : QFileInfo(decodeFileName(file)).baseName().toLatin1();
        fixedPitch = advanceOf('i') > 0 && advanceOf('i') == advanceOf('W');
        usable = true;
        return true;
    }

    [[nodiscard]] unsigned short glyphOf(char32_t character) const
    {
        return static_cast<unsigned short>(FT_Get_Char_Index(ft, character));
    }

    [[nodiscard]] FT_Fixed advanceOfGlyph(unsigned short glyph) const
    {
        FT_Fixed advance = 0;
        if (FT_Get_Advance(ft, glyph, FT_LOAD_NO_SCALE, &advance) != 0)
            return 0;
        return advance;
    }

    [[nodiscard]] FT_Fixed advanceOf(char32_t character) const
    {
        const unsigned short glyph = glyphOf(character);
        return glyph == 0 ? -1 : advanceOfGlyph(glyph);
    }

    [[nodiscard]] bool hasGridCharacters() const
    {
        return std::all_of(GridCharacters.begin(), GridCharacters.end(),
                           [this](char c) { return glyphOf(char32_t(c)) != 0; });
    }

    [[nodiscard]] bool mayHave(char32_t character) const
    {
        return !charset || FcCharSetHasChar(charset.get(), FcChar32(character));
    }

    [[nodiscard]] QString family() const
    {
        return ft && ft->family_name ? QString::fromUtf8(ft->family_name) : QString();
    }
};

PdfFonts::PdfFonts(const QString &name, float points) : m_freetype(std::make_unique<FreeType>())
{
    setPoints(points);
    const FcPatternOwner pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.toUtf8().constData()));
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>("monospace"));
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const FcFontSetOwner sorted(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
        FcChar8 *file = nullptr;
        if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
            continue;
        auto face = std::make_unique<Face>();
        face->file = reinterpret_cast<const char *>(file);
        FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &face->index);
        FcCharSet *charset = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) == FcResultMatch)
            face->charset.reset(FcCharSetCopy(charset));
        m_faces.push_back(std::move(face));
    }

    // The first fixed-pitch face with the grid's characters leads; the others keep their order
    // behind it, for the characters it lacks.
    QString proportional;
    for (size_t i = 0; i < m_faces.size(); ++i) {
        Face &candidate = *m_faces[i];
        if (!candidate.open(m_freetype->library))
            continue;
        if (!candidate.fixedPitch) {
            if (proportional.isEmpty())
                proportional = candidate.family();
            continue;
        }
        if (!candidate.hasGridCharacters())
            continue;
        std::rotate(m_faces.begin(), m_faces.begin() + qsizetype(i), m_faces.begin() + qsizetype(i) + 1);
        return;
    }
    if (m_faces.empty())
        throw PrintError(PrintError::NoGridFont, noGridFontText(Words::tr("No font is installed")));
    throw PrintError(PrintError::NoGridFont,
                     noGridFontText(proportional.isEmpty()
                                        ? Words::tr("No fixed-pitch font with the digits and the "
                                                    "Latin letters is installed")
                                        : Words::tr("No fixed-pitch font is installed (only "
                                                    "proportional ones such as %1)")
                                              .arg(proportional)));
}

PdfFonts::~PdfFonts()
{
    m_faces.clear(); // before the library
}

void PdfFonts::setPoints(float points)
{
    m_points = points > 0 ? points : 8;
}

float PdfFonts::twipsPerUnit(int face) const
{
    return m_points * 20.0f / float(m_faces[size_t(face)]->unitsPerEm);
}

float PdfFonts::ascent() const
{
    const Face &primary = *m_faces.front();
    return float(std::ceil(double(primary.ascender) * m_points * 20.0 / primary.unitsPerEm - 1e-6));
}

float PdfFonts::lineHeight() const
{
    const Face &primary = *m_faces.front();
    return float(
        std::round(double(primary.ascender + primary.descender) * m_points * 20.0 / primary.unitsPerEm));
}

PdfFonts::Face *PdfFonts::face(int index)
{
    Face *const candidate = m_faces[size_t(index)].get();
    return candidate->open(m_freetype->library) ? candidate : nullptr;
}

PdfFonts::Glyph PdfFonts::lookUp(char32_t character)
{
    for (size_t i = 0; i < m_faces.size(); ++i) {
        if (!m_faces[i]->mayHave(character) && i != 0)
            continue;
        const Face *const candidate = face(int(i));
        if (!candidate)
            continue;
        if (const unsigned short glyph = candidate->glyphOf(character); glyph != 0)
            return {int(i), glyph, float(candidate->advanceOfGlyph(glyph))};
    }
    // No face has it: the primary face's missing-glyph box, as wide as its other glyphs.
    return {0, 0, float(m_faces.front()->advanceOfGlyph(0))};
}

PdfFonts::Glyph PdfFonts::glyphFor(char32_t character)
{
    if (character < m_ascii.size()) {
        Glyph &known = m_ascii[character];
        if (known.face < 0)
            known = lookUp(character);
        return known;
    }
    const auto found = m_glyphs.find(character);
    if (found != m_glyphs.end())
        return found->second;
    return m_glyphs.emplace(character, lookUp(character)).first->second;
}

float PdfFonts::textWidth(QStringView text)
{
    float width = 0;
    forEachCharacter(text, [&](char32_t character) {
        const Glyph glyph = glyphFor(character);
        width += glyph.units * twipsPerUnit(glyph.face);
    });
    return width;
}

std::vector<PdfFonts::Run> PdfFonts::runs(QStringView text)
{
    std::vector<Run> runs;
    forEachCharacter(text, [&](char32_t character) {
        const Glyph glyph = glyphFor(character);
        if (runs.empty() || runs.back().face != glyph.face)
            runs.push_back({glyph.face, {}});
        runs.back().glyphs.push_back(glyph.id);
        Face &face = *m_faces[size_t(glyph.face)];
        if (glyph.id >= face.drawn.size())
            face.drawn.resize(size_t(glyph.id) + 1);
        if (!face.drawn[glyph.id]) {
            face.drawn[glyph.id] = true;
            face.used.emplace(glyph.id, character);
        }
    });
    return runs;
}

int PdfFonts::fontObject(int face, PdfWriter &writer)
{
    Face &used = *m_faces[size_t(face)];
    if (used.fontObject == 0)
        used.fontObject = writer.reserve();
    return used.fontObject;
}

QString PdfFonts::primaryFamily() const
{
    return m_faces.front()->family();
}

QString PdfFonts::primaryFile() const
{
    return decodeFileName(m_faces.front()->file);
}

QByteArray PdfFonts::subsetProgram(const Face &face, const Glyphs &glyphs)
{
    // The glyphs drawn and nothing else, each under its own number, so that the pages drawn before
    // the subset was made name them right.
    const HbBlob blob(hb_blob_create_from_file_or_fail(face.file.constData()));
    if (!blob)
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The font file %1 could not be read to embed it.")
                             .arg(displayPath(decodeFileName(face.file))));
    const HbFace whole(hb_face_create(blob.get(), unsigned(face.index)));
    const HbSubsetInput input(hb_subset_input_create_or_fail());
    if (!input)
        throw std::bad_alloc();
    hb_set_t *const kept = hb_subset_input_glyph_set(input.get());
    for (const auto &[glyph, character] : glyphs)
        hb_set_add(kept, glyph);
    hb_set_clear(hb_subset_input_unicode_set(input.get()));
    hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
    const HbFace subset(hb_subset_or_fail(whole.get(), input.get()));
    if (!subset)
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The font %1 could not be embedded.").arg(QString::fromLatin1(face.postScriptName)));
    const HbBlob program(hb_face_reference_blob(subset.get()));
    unsigned int length = 0;
    const char *const data = hb_blob_get_data(program.get(), &length);
    return QByteArray(data, qsizetype(length));
}

QByteArray PdfFonts::subsetName(const Face &face, const Glyphs &glyphs)
{
    // The subset's tag: six capitals from the glyphs it holds.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const auto &[glyph, character] : glyphs)
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(&glyph), sizeof glyph));
    QByteArray tag;
    for (const char byte : hash.result().left(6))
        tag += char('A' + static_cast<unsigned char>(byte) % 26);
    return tag + '+' + face.postScriptName;
}

int PdfFonts::writeDescriptor(const Face &face, const QByteArray &baseName, int fontFile, PdfWriter &writer)
{
    const double perMille = 1000.0 / face.unitsPerEm;
    const auto scaled = [perMille](double units) { return qint64(std::lround(units * perMille)); };
    const FT_BBox &box = face.ft->bbox;
    const auto *post = static_cast<const TT_Postscript *>(FT_Get_Sfnt_Table(face.ft, FT_SFNT_POST));
    const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face.ft, FT_SFNT_OS2));
    const int capHeight = os2 && os2->version >= 2 && os2->sCapHeight > 0 ? os2->sCapHeight : face.ft->ascender;
    return writer.writeObject(
        Pdf::Dictionary()
            .add("Type", Pdf::name("FontDescriptor"))
            .add("FontName", Pdf::name(baseName))
            .add("Flags", (face.fixedPitch ? 1 : 0) | 32)
            .add("FontBBox", Pdf::Array{scaled(double(box.xMin)), scaled(double(box.yMin)),
                                        scaled(double(box.xMax)), scaled(double(box.yMax))})
            .add("ItalicAngle", post ? double(post->italicAngle) / 65536.0 : 0.0)
            .add("Ascent", scaled(face.ft->ascender))
            .add("Descent", scaled(face.ft->descender))
            .add("CapHeight", scaled(capHeight))
            .add("StemV", 80)
            .add(face.cff ? "FontFile3" : "FontFile2", Pdf::ref(fontFile)));
}

int PdfFonts::writeCidFont(const Face &face, const Glyphs &glyphs, const QByteArray &baseName, int descriptor,
                           PdfWriter &writer)
{
    // Widths in thousandths of the em, for every glyph drawn; the usual one is the default.
    const double perMille = 1000.0 / face.unitsPerEm;
    std::map<double, int> widthCounts;
    std::vector<std::pair<unsigned short, double>> widths;
    for (const auto &[glyph, character] : glyphs) {
        const double width = double(face.advanceOfGlyph(glyph)) * perMille;
        widths.emplace_back(glyph, width);
        ++widthCounts[width];
    }
    const double usual = std::max_element(widthCounts.begin(), widthCounts.end(), [](const auto &a, const auto &b) {
                             return a.second < b.second;
                         })->first;
    Pdf::Array others;
    for (const auto &[glyph, width] : widths) {
        if (width != usual)
            others.add(int(glyph)).add(Pdf::Array{width});
    }
    Pdf::Dictionary font;
    font.add("Type", Pdf::name("Font"))
        .add("Subtype", Pdf::name(face.cff ? "CIDFontType0" : "CIDFontType2"))
        .add("BaseFont", Pdf::name(baseName))
        .add("CIDSystemInfo", Pdf::Dictionary()
                                  .add("Registry", Pdf::literal("Adobe"))
                                  .add("Ordering", Pdf::literal("Identity"))
                                  .add("Supplement", 0))
        .add("FontDescriptor", Pdf::ref(descriptor))
        .add("DW", usual)
        .add("W", others);
    if (!face.cff)
        font.add("CIDToGIDMap", Pdf::name("Identity"));
    return writer.writeObject(font);
}

int PdfFonts::writeToUnicode(const Glyphs &glyphs, PdfWriter &writer)
{
    // A map from each glyph drawn back to the character it was drawn for, so that copying text and
    // text extraction give the characters back.
    std::string cmap = "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
                       "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
                       "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
    std::vector<std::pair<unsigned short, char32_t>> mapped;
    for (const auto &[glyph, character] : glyphs) {
        if (glyph != 0)
            mapped.emplace_back(glyph, character);
    }
    for (size_t at = 0; at < mapped.size(); at += 100) {
        const size_t count = std::min<size_t>(100, mapped.size() - at);
        cmap += std::to_string(count) + " beginbfchar\n";
        for (size_t i = at; i < at + count; ++i) {
            cmap += '<';
            appendGlyphHex(cmap, mapped[i].first);
            cmap += "><";
            appendUtf16Hex(cmap, mapped[i].second);
            cmap += ">\n";
        }
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
    return writer.writeStream(Pdf::Dictionary(), QByteArrayView(cmap.data(), qsizetype(cmap.size())), true);
}

void PdfFonts::writeFont(const Face &face, PdfWriter &writer)
{
    // The glyphs drawn and the missing-glyph glyph. A copy, so that writing the fonts changes
    // nothing of the document being drawn: a provisional ending may write them before its end.
    Glyphs glyphs = face.used;
    glyphs.emplace(0, 0xFFFD);
    const QByteArray baseName = subsetName(face, glyphs);
    const int fontFile = writer.writeStream(
        face.cff ? Pdf::Dictionary().add("Subtype", Pdf::name("OpenType")) : Pdf::Dictionary(),
        subsetProgram(face, glyphs), true);
    const int descriptor = writeDescriptor(face, baseName, fontFile, writer);
    const int cidFont = writeCidFont(face, glyphs, baseName, descriptor, writer);
    const int toUnicode = writeToUnicode(glyphs, writer);
    writer.writeObject(Pdf::Dictionary()
                           .add("Type", Pdf::name("Font"))
                           .add("Subtype", Pdf::name("Type0"))
                           .add("BaseFont", Pdf::name(baseName))
                           .add("Encoding", Pdf::name("Identity-H"))
                           .add("DescendantFonts", Pdf::Array{Pdf::ref(cidFont)})
                           .add("ToUnicode", Pdf::ref(toUnicode)),
                       face.fontObject);
}

void PdfFonts::writeFonts(PdfWriter &writer)
{
    for (const std::unique_ptr<Face> &face : m_faces) {
        if (face->fontObject != 0)
            writeFont(*face, writer);
    }
}
