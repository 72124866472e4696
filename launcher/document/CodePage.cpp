#include "launcher/document/CodePage.h"

namespace old_document
{

const CodePage& CodePage::windows1252()
{
    static const CodePage identity = [] {
        std::array<unsigned char, 256> table{};
        for (unsigned i = 0; i < table.size(); ++i) {
            table[i] = static_cast<unsigned char>(i);
        }
        return CodePage(table);
    }();
    return identity;
}

}
