#include "gui/widgets/KestrelAction.h"

#include "gui/widgets/StandardIcons.h"

#include <map>
#include <memory>

namespace kestrel
{

namespace
{

struct Command
{
    int id;
    const char* label;
    const char* tooltip;
    StandardIcon icon;
};

constexpr Command commands[] = {
    {KestrelAction::file, "!File", "", StandardIcon::None},
    {KestrelAction::fileNew, "!New...", "Create a new file", StandardIcon::New},
    {KestrelAction::fileOpen, "!Open...", "Open a file", StandardIcon::Open},
    {KestrelAction::fileSave, "!Save", "Save this file to disk", StandardIcon::Save},
    {KestrelAction::fileSaveAs, "Save !as...", "Save this file under a different name", StandardIcon::None},
    {KestrelAction::fileExit, "E!xit", "Exit the program", StandardIcon::None},
    {KestrelAction::edit, "!Edit", "", StandardIcon::None},
    {KestrelAction::editCopy, "!Copy", "Copy selection", StandardIcon::Copy},
    {KestrelAction::editCut, "Cu!t", "Cut selection", StandardIcon::Cut},
    {KestrelAction::editPaste, "!Paste", "Paste", StandardIcon::Paste},
    {KestrelAction::editDelete, "!Delete", "Delete items", StandardIcon::Delete},
    {KestrelAction::editUndo, "!Undo", "Undo previous action", StandardIcon::Undo},
    {KestrelAction::editRedo, "!Redo", "Redo action", StandardIcon::Redo},
    {KestrelAction::editSelectAll, "Select all", "", StandardIcon::None},
    {KestrelAction::view, "!View", "", StandardIcon::None},
    {KestrelAction::windowMenu, "!Window", "", StandardIcon::None},
    {KestrelAction::tools, "!Tools", "", StandardIcon::None},
    {KestrelAction::help, "!Help", "", StandardIcon::None},
    {KestrelAction::helpContents, "!Help", "Online documentation", StandardIcon::None},
    {KestrelAction::helpAbout, "!About...", "About this program...", StandardIcon::None},
};

const Command& commandOf(int id)
{
    static constexpr Command unknown{0, "", "", StandardIcon::None};
    for (const Command& command : commands) {
        if (command.id == id) {
            return command;
        }
    }
    return unknown;
}

}

KestrelAction::KestrelAction(int commandId)
    : m_commandId(commandId)
{
}

KestrelAction* KestrelAction::get(int commandId)
{
    static std::map<int, std::unique_ptr<KestrelAction>> actions;
    std::unique_ptr<KestrelAction>& action = actions[commandId];
    if (!action) {
        action.reset(new KestrelAction(commandId));
    }
    return action.get();
}

const char* KestrelAction::label()
{
    return commandOf(m_commandId).label;
}

const char* KestrelAction::tooltip()
{
    return commandOf(m_commandId).tooltip;
}

Image KestrelAction::icon()
{
    if (!m_iconMade) {
        m_icon = standardIcon(commandOf(m_commandId).icon);
        m_iconMade = true;
    }
    return m_icon;
}

}
