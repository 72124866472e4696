#include "launcher/document/CodePage.h"

#include "platform/Windows1250.h"
#include "platform/Windows1252.h"

namespace old_document
{

namespace
{

CodePage tableOf(char32_t (*toUnicode)(unsigned char))
{
    std::array<char32_t, 256> table{};
    for (unsigned i = 0; i < table.size(); ++i) {
        table[i] = toUnicode(static_cast<unsigned char>(i));
    }
    return CodePage(table);
}

}

const CodePage& CodePage::windows1252()
{
    static const CodePage page = tableOf(plat::windows1252ToUnicode);
    return page;
}

const CodePage& CodePage::windows1250()
{
    static const CodePage page = tableOf(plat::windows1250ToUnicode);
    return page;
}

}
