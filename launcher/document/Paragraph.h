#pragma once

#include "base/Refcountable.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace old_document
{

struct Glyph;
class ParagraphInternals;

// One character of a paragraph: its glyph, its own colour (0: the document's text colour) and
// the link it belongs to (null: none).
struct PlacedChar
{
    const Glyph* glyph = nullptr;
    std::uint32_t colour = 0;
    const std::string* link = nullptr;
};

// One laid-out line: the word breaks counted in it, its characters and their width, and the two
// halves of its height (both the largest ascent among its characters).
struct Line
{
    int breaks = 0;
    int chars = 0;
    int width = 0;
    int above = 0;
    int below = 0;

    bool operator==(const Line& other) const = default;
};

// A paragraph of a document: its characters and how they wrap at the width last asked for.
// Held through counted pointers; GUI thread only.
class Paragraph : public heron::Refcountable
{
public:
    enum class Alignment
    {
        Left = 0,
        Centred = 2,
    };

    Paragraph();
    ~Paragraph() override;

    void append(const PlacedChar& placed);
    void setAlignment(Alignment alignment);
    Alignment alignment() const;
    const std::vector<PlacedChar>& chars() const;

    // The lines at the width; computed again only when the width changes.
    const std::vector<Line>& lines(int width);
    // The sum of the lines' heights at the width, or emptyHeight when there is no line.
    int height(int width, int emptyHeight);

    ParagraphInternals& internals() { return *m_internals; }

private:
    std::unique_ptr<ParagraphInternals> m_internals;
};

}
