#include "launcher/panels/AvatarPanel.h"

#include "gui/paint/Graphics.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/ColorMixer.h"
#include "gui/widgets/ColumnLayout.h"
#include "gui/widgets/TileLayout.h"
#include "launcher/document/MarkupParser.h"
#include "launcher/document/OldDocument.h"
#include "launcher/panels/PanelParts.h"
#include "launcher/panels/PanelTexts.h"
#include "launcher/panels/ServerAddressEntry.h"
#include "net/NetworkSettings.h"

namespace game_launcher
{

namespace
{

constexpr int avatarTextSize = 12;
constexpr int mixerSize = 64;
constexpr int inputColumns = 20;
constexpr int linkWidth = 180;

template <typename Input>
Input* textInput(kestrel::MessageDest* listener, std::uint32_t commandId)
{
    auto* input = new Input;
    input->setColumns(inputColumns);
    input->setActionListener(listener, commandId);
    return input;
}

// The link to the list of servers that are up, in a column as wide as the link may wrap.
kestrel::Container* serverListLink()
{
    auto* document = new old_document::OldDocument;
    document->setWrapWidth(linkWidth);
    old_document::parseMarkup(*document, activeServersText(), old_document::CharacterStyle{});
    kestrel::Container* holder = centredRow(0);
    holder->add(document);
    return holder;
}

}

void AddressInput::focusLost()
{
    TextInput::focusLost();
    sendMessage(typingEnded);
}

void NetworkPanel::PlayerColor::getPreferredSize(int& width, int& height)
{
    m_mixer.getPreferredSize(width, height);
}

void NetworkPanel::PlayerColor::draw(kestrel::Graphics& graphics)
{
    graphics.setRGB(panelColourFromUser(NetworkSettings::userColor));
    graphics.fillRect(bounds);
}

NetworkPanel::NetworkPanel()
{
    setLayout(new kestrel::BorderLayout);
    auto* centre = new kestrel::Container;
    centre->setInsets(12, 6, 12, 6);
    auto* column = new kestrel::ColumnLayout;
    column->setGap(8);
    centre->setLayout(column);
    centre->add(serverControls());
    centre->add(playerControls());
    add(centre, kestrel::BorderLayout::Centre);
    add(serverListLink(), kestrel::BorderLayout::East);
}

kestrel::Container* NetworkPanel::serverControls()
{
    kestrel::Container* grid = tileGrid(4, 4);
    m_server = checkbox("This computer is a server", this, ActAsServer);
    grid->add(m_server, kestrel::TileLayout::cell(0, 0, 1, 1));
    m_serverAddress = label("");
    grid->add(m_serverAddress, kestrel::TileLayout::cell(1, 0, 3, 1));

    grid->setAddGroup(&m_connectGroup);
    m_connect = checkbox("Connect to the network", this, ConnectToNetwork);
    grid->add(m_connect, kestrel::TileLayout::cell(1, 0, 1, 1));
    grid->add(label("Address of server"), kestrel::TileLayout::cell(1, 1, 1, 1));
    m_address = textInput<AddressInput>(this, ServerAddress);
    grid->add(m_address, kestrel::TileLayout::cell(1, 2, 1, 1));
    grid->clearAddGroup();
    return grid;
}

kestrel::Container* NetworkPanel::playerControls()
{
    kestrel::Container* row = centredRow(4);
    kestrel::Container* grid = tileGrid(4, 4);
    grid->add(label("Username"), kestrel::TileLayout::cell(0, 0, 1, 1));
    m_userName = textInput<kestrel::TextInput>(this, UserName);
    grid->add(m_userName, kestrel::TileLayout::cell(0, 1, 1, 1));
    m_mixer = new kestrel::ColorMixer(mixerSize);
    m_mixer->setActionListener(this, UserColour);
    m_swatch = new PlayerColor(*m_mixer);
    grid->add(label("Color"), kestrel::TileLayout::cell(1, 0, 1, 1));
    grid->add(m_swatch, kestrel::TileLayout::cell(1, 1, 1, 1));
    row->add(grid);
    row->add(m_mixer);
    return row;
}

void NetworkPanel::handleMessage(const kestrel::ComponentMessage& message)
{
    switch (message.id) {
    case ActAsServer:
        NetworkSettings::actAsServer = message.argument != 0;
        refreshWindowOf(*this);
        break;
    case ConnectToNetwork:
        NetworkSettings::connectToNetwork = message.argument != 0;
        refreshWindowOf(*this);
        break;
    case ServerAddress:
        serverAddressEntry().typed(m_address->getText().c_str());
        if (message.argument == AddressInput::typingEnded) {
            serverAddressEntry().commit();
        }
        break;
    case UserName:
        NetworkSettings::userName = m_userName->getText();
        break;
    case UserColour:
        NetworkSettings::userColor = userColorFromPanel(m_mixer->getColor().toPacked());
        m_swatch->redrawNow();
        break;
    default:
        break;
    }
    noteNetworkSettings();
}

void NetworkPanel::validate()
{
    if (NetworkSettings::actAsServer) {
        NetworkSettings::connectToNetwork = false;
    }
    const bool serving = NetworkSettings::actAsServer;
    const bool connecting = NetworkSettings::connectToNetwork;
    m_connectGroup.setVisible(connecting);
    m_server->setVisible(!connecting);
    m_server->setChecked(serving);
    m_serverAddress->setText(serverAddressLabel(localAddresses()).c_str());
    m_serverAddress->setVisible(serving);
    m_connect->setVisible(!serving);
    m_connect->setChecked(connecting);
    if (!m_address->isFocused()) {
        m_address->setTextString(serverAddressEntry().pendingName().empty()
                                     ? NetworkSettings::netAddress.toString()
                                     : heron_string(serverAddressEntry().pendingName().c_str()));
    }
    if (!m_userName->isFocused()) {
        m_userName->setTextString(NetworkSettings::userName);
    }
    if (!m_mixer->isDragging()) {
        m_mixer->setColor(kestrel::ColorRGBA(panelColourFromUser(NetworkSettings::userColor)));
    }
    Container::validate();
}

AvatarPanel::AvatarPanel()
{
    addTexts(avatarTexts(), avatarTextSize);
    add(new NetworkPanel);
}

}
