// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class PdfWriter;

// The fonts of one document: the fixed-pitch face that a font name gives through fontconfig, and
// the faces fontconfig ranks after it, each used only for the characters that the faces before it
// lack. Text is measured with FreeType in the faces' own units and drawn one glyph per character,
// in the advances the faces give, so that what is measured is what is drawn. At the end of the
// document every face that drew something is embedded as a subset of the glyphs it drew (made by
// HarfBuzz's subsetter, glyph numbers kept), as a composite font with a map back to the characters,
// so that copying text and text extraction give the characters back.
class PdfFonts
{
public:
    // One run of text in one face: the face's resource number and its glyphs.
    struct Run
    {
        int face = 0;
        std::vector<unsigned short> glyphs;
    };

    // Resolves name (as fontconfig resolves it, "monospace" after it) to the first fixed-pitch face
    // that has the digits and the Latin letters. Throws PrintError (NoGridFont) when there is none.
    PdfFonts(const QString &name, float points);
    ~PdfFonts();
    PdfFonts(const PdfFonts &) = delete;
    PdfFonts &operator=(const PdfFonts &) = delete;

    void setPoints(float points);
    [[nodiscard]] float points() const { return m_points; }

    // In twips at the current size: how far the first line's baseline lies below the top of the
    // text, and how far one line is below the one before. Both are the primary face's whole height
    // (its Windows metrics, else its horizontal header), rounded to whole twips as FreeType rounds
    // a size's metrics: ascent up, line height to the nearest.
    [[nodiscard]] float ascent() const;
    [[nodiscard]] float lineHeight() const;
    [[nodiscard]] float textWidth(QStringView text);

    // text as runs of glyphs, each face's glyphs noted as used.
    [[nodiscard]] std::vector<Run> runs(QStringView text);
    // The object number of a face's font in writer, reserved when the face is first drawn with.
    [[nodiscard]] int fontObject(int face, PdfWriter &writer);

    // Writes the font of every face that was drawn with.
    void writeFonts(PdfWriter &writer);

    [[nodiscard]] QString primaryFamily() const;
    [[nodiscard]] QString primaryFile() const;

private:
    struct Face;
    struct Glyph
    {
        int face = -1; // -1: not looked up yet
        unsigned short id = 0;
        float units = 0; // advance in the face's font units
    };

    [[nodiscard]] Glyph glyphFor(char32_t character);
    [[nodiscard]] Glyph lookUp(char32_t character);
    [[nodiscard]] Face *face(int index);
    [[nodiscard]] float twipsPerUnit(int face) const;

    // The objects of one face's font, each written whole: the subset's program and name, its
    // descriptor, the composite font with the glyphs' widths, the map back to the characters, and
    // the font that the pages name.
    // glyphs: those to embed, each with the character it was first drawn for.
    using Glyphs = std::map<unsigned short, char32_t>;
    static void writeFont(const Face &face, PdfWriter &writer);
    [[nodiscard]] static QByteArray subsetProgram(const Face &face, const Glyphs &glyphs);
    [[nodiscard]] static QByteArray subsetName(const Face &face, const Glyphs &glyphs);
    static int writeDescriptor(const Face &face, const QByteArray &baseName, int fontFile, PdfWriter &writer);
    static int writeCidFont(const Face &face, const Glyphs &glyphs, const QByteArray &baseName, int descriptor,
                            PdfWriter &writer);
    static int writeToUnicode(const Glyphs &glyphs, PdfWriter &writer);

    struct FreeType;
    std::unique_ptr<FreeType> m_freetype;
    // Candidates in fontconfig's order; opened when first needed.
    std::vector<std::unique_ptr<Face>> m_faces;
    int m_primary = 0;
    float m_points = 8;
    std::array<Glyph, 128> m_ascii{};
    std::unordered_map<char32_t, Glyph> m_glyphs;
};
