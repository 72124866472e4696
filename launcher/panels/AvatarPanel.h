#pragma once

#include "gui/toolkit/ComponentGroup.h"
#include "gui/toolkit/Container.h"
#include "gui/widgets/TextInput.h"
#include "launcher/panels/LauncherPanel.h"

namespace kestrel
{
class Checkbox;
class ColorMixer;
}

namespace game_launcher
{

// The server's address field: tells its listener code 1 when the focus leaves it, as after Enter,
// so a typed host name is looked up once the typing is over.
class AddressInput : public kestrel::TextInput
{
public:
    static constexpr int typingEnded = 1;

    void focusLost() override;
};

// Serving or connecting, the server's address, and the player's name and colour, all kept in the
// network settings; the settings are written by the welcome panel and by the launcher.
class NetworkPanel : public kestrel::Container, public kestrel::MessageDest
{
public:
    enum Command : std::uint32_t
    {
        ActAsServer = 0,
        ConnectToNetwork = 10,
        ServerAddress = 11,
        UserName = 12,
        UserColour = 13,
    };

    // The player's colour as a swatch as large as the mixer.
    class PlayerColor : public kestrel::Component
    {
    public:
        explicit PlayerColor(kestrel::ColorMixer& mixer) : m_mixer(mixer) {}

        void getPreferredSize(int& width, int& height) override;
        void draw(kestrel::Graphics& graphics) override;

    private:
        kestrel::ColorMixer& m_mixer;
    };

    NetworkPanel();

    void handleMessage(const kestrel::ComponentMessage& message) override;
    // Serving and connecting exclude each other (serving wins); the controls follow the settings.
    void validate() override;

private:
    kestrel::Container* serverControls();
    kestrel::Container* playerControls();

    kestrel::Checkbox* m_server;
    kestrel::Component* m_serverAddress;
    kestrel::Checkbox* m_connect;
    AddressInput* m_address;
    kestrel::TextInput* m_userName;
    kestrel::ColorMixer* m_mixer;
    PlayerColor* m_swatch;
    kestrel::ComponentGroup m_connectGroup;
};

// The "Avatars" tab: network play explained, and the network settings below.
class AvatarPanel : public LauncherPanel
{
public:
    AvatarPanel();
};

}
