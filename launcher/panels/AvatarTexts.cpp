#include "launcher/panels/PanelTexts.h"

namespace game_launcher
{

const PageTexts& avatarTexts()
{
    static const PageTexts texts{
        // English
        "<center><b>Avatars and network play</b></center><p>"
        "Fly through Glasstide together. One computer is the server: tick <b>This computer is a "
        "server</b> there and tell the others the address shown. Everyone else ticks <b>Connect to "
        "the network</b> and types that address. The list of servers on the right shows who is "
        "playing now.<p>"
        "Pick up an avatar and the other players see you in it, in your name and colour. Press "
        "<b>Enter</b> to park it, <b>M</b> to send a message and <b>R</b> to ring another player.",
        // Spanish
        "<center><b>Avatares y juego en red</b></center><p>"
        "Vuela por Glasstide en compañía. Un ordenador hace de servidor: marca allí <b>This "
        "computer is a server</b> y da a los demás la dirección que aparece. Los demás marcan "
        "<b>Connect to the network</b> y escriben esa dirección. La lista de servidores de la "
        "derecha muestra quién está jugando ahora.<p>"
        "Toma un avatar y los demás jugadores te verán en él, con tu nombre y tu color. Pulsa "
        "<b>Enter</b> para aparcarlo, <b>M</b> para enviar un mensaje y <b>R</b> para llamar a otro "
        "jugador.",
        // French
        "<center><b>Avatars et jeu en réseau</b></center><p>"
        "Volez ensemble dans Glasstide. Un ordinateur sert de serveur : cochez-y <b>This computer "
        "is a server</b> et donnez aux autres l'adresse affichée. Les autres cochent <b>Connect to "
        "the network</b> et tapent cette adresse. La liste des serveurs à droite montre qui joue en "
        "ce moment.<p>"
        "Prenez un avatar et les autres joueurs vous y verront, avec votre nom et votre couleur. "
        "Appuyez sur <b>Entrée</b> pour le garer, <b>M</b> pour envoyer un message et <b>R</b> pour "
        "sonner un autre joueur.",
        // German
        "<center><b>Avatare und Netzwerkspiel</b></center><p>"
        "Fliegt gemeinsam durch Glasstide. Ein Computer ist der Server: Kreuze dort <b>This "
        "computer is a server</b> an und nenne den anderen die angezeigte Adresse. Alle anderen "
        "kreuzen <b>Connect to the network</b> an und tippen diese Adresse ein. Die Serverliste "
        "rechts zeigt, wer gerade spielt.<p>"
        "Nimm einen Avatar, und die anderen sehen dich darin, mit deinem Namen und deiner Farbe. "
        "<b>Eingabe</b> parkt ihn, <b>M</b> schickt eine Nachricht, <b>R</b> klingelt bei einem "
        "anderen Spieler.",
        // Italian
        "<center><b>Avatar e gioco in rete</b></center><p>"
        "Volate insieme in Glasstide. Un computer fa da server: spunta lì <b>This computer is a "
        "server</b> e comunica agli altri l'indirizzo mostrato. Gli altri spuntano <b>Connect to "
        "the network</b> e scrivono quell'indirizzo. L'elenco dei server a destra mostra chi sta "
        "giocando ora.<p>"
        "Prendi un avatar e gli altri giocatori ti vedranno in esso, con il tuo nome e il tuo "
        "colore. Premi <b>Invio</b> per parcheggiarlo, <b>M</b> per mandare un messaggio e <b>R</b> "
        "per chiamare un altro giocatore.",
        // Polish
        "<center><b>Awatary i gra w sieci</b></center><p>"
        "Latajcie razem po Glasstide. Jeden komputer jest serwerem: zaznacz na nim <b>This "
        "computer is a server</b> i podaj innym wyświetlony adres. Pozostali zaznaczają <b>Connect "
        "to the network</b> i wpisują ten adres. Lista serwerów po prawej pokazuje, kto teraz gra.<p>"
        "Weź awatara, a inni gracze zobaczą cię w nim, z twoim imieniem i kolorem. Naciśnij "
        "<b>Enter</b>, aby go zaparkować, <b>M</b>, aby wysłać wiadomość, i <b>R</b>, aby zadzwonić "
        "do innego gracza.",
        // Danish
        "<center><b>Avatarer og netværksspil</b></center><p>"
        "Flyv sammen gennem Glasstide. Én computer er serveren: sæt flueben ved <b>This computer "
        "is a server</b> der, og giv de andre den viste adresse. Alle andre sætter flueben ved "
        "<b>Connect to the network</b> og skriver adressen. Listen over servere til højre viser, "
        "hvem der spiller nu.<p>"
        "Tag en avatar, så ser de andre spillere dig i den med dit navn og din farve. Tryk "
        "<b>Enter</b> for at parkere den, <b>M</b> for at sende en besked og <b>R</b> for at ringe "
        "til en anden spiller.",
    };
    return texts;
}

}
