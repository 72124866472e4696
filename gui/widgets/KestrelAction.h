#pragma once

#include "gui/paint/Image.h"
#include "gui/toolkit/Action.h"

namespace kestrel
{

// The toolkit's standard File, Edit, View, Window, Tools and Help commands, one shared action
// per command id, so menu items and buttons built from them look alike. Main thread only.
class KestrelAction : public Action
{
public:
    static constexpr int file = 0x10000000;
    static constexpr int fileNew = 0x10000001;
    static constexpr int fileOpen = 0x10000002;
    static constexpr int fileSave = 0x10000003;
    static constexpr int fileSaveAs = 0x10000004;
    static constexpr int fileExit = 0x10000005;
    static constexpr int edit = 0x10000064;
    static constexpr int editCopy = 0x10000065;
    static constexpr int editCut = 0x10000066;
    static constexpr int editPaste = 0x10000067;
    static constexpr int editDelete = 0x10000068;
    static constexpr int editUndo = 0x10000069;
    static constexpr int editRedo = 0x1000006A;
    static constexpr int editSelectAll = 0x1000006B;
    static constexpr int view = 0x100000C8;
    static constexpr int windowMenu = 0x1000012C;
    static constexpr int tools = 0x10000190;
    static constexpr int help = 0x100001F4;
    static constexpr int helpContents = 0x100001F5;
    static constexpr int helpAbout = 0x100001F6;

    // The shared action of the id, made on first request and kept until the program ends. An id
    // outside the table gives an action with no label, tooltip or icon.
    static KestrelAction* get(int commandId);

    // '!' marks the mnemonic.
    const char* label() override;
    // A 16 x 16 picture for the commands that have one (made on first request), else empty.
    Image icon() override;
    const char* tooltip() override;
    int commandId() override { return m_commandId; }

private:
    explicit KestrelAction(int commandId);

    int m_commandId;
    Image m_icon;
    bool m_iconMade = false;
};

}
