// Feeds arbitrary text through the line tokenizer: the first bytes choose which operations run on
// each line, the rest is the text read line by line.
#include "base/LineTokenizer.h"
#include "base/MemoryDataSource.h"

#include <cstddef>
#include <cstdint>

namespace
{

void runOperation(heron::LineTokenizer& tokenizer, std::uint8_t operation)
{
    static const char* const keywords[] = {"fog", "Fog ", "", "\"", "a"};
    int i = 0;
    unsigned u = 0;
    float f = 0;
    double d = 0;
    bool b = false;
    heron_string word;
    switch (operation % 12) {
    case 0: tokenizer.matchKeyword(keywords[(operation / 12) % 5], operation & 16, operation & 32); break;
    case 1: tokenizer.readInt(i); break;
    case 2: tokenizer.readUnsigned(u); break;
    case 3: tokenizer.readFloat(f); break;
    case 4: tokenizer.readDouble(d); break;
    case 5: tokenizer.readBool(b); break;
    case 6: tokenizer.readHex(u); break;
    case 7: tokenizer.readWord(word); break;
    case 8: tokenizer.readQuotedString(); break;
    case 9: tokenizer.expect(operation & 16 ? "=" : "\"x"); break;
    case 10: tokenizer.skipChar(operation / 12); break;
    default: tokenizer.skipBlanks(); break;
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::size_t scriptSize = size < 8 ? size : 8;
    heron::MemoryDataSource source(data + scriptSize, static_cast<std::uint32_t>(size - scriptSize), false);
    heron::LineTokenizer tokenizer(&source);
    while (tokenizer.nextLine()) {
        for (std::size_t i = 0; i < scriptSize; ++i) {
            runOperation(tokenizer, data[i]);
        }
    }
    return 0;
}
