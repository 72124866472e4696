#include "launcher/panels/PanelTexts.h"

#include <array>
#include <string_view>

namespace game_launcher
{

namespace
{

constexpr std::size_t keyCount = 14;
// Key names are padded with dots to this many characters.
constexpr std::size_t keyColumn = 18;

struct KeyList
{
    std::string_view title;
    std::array<std::string_view, keyCount> keys;
    std::array<std::string_view, keyCount> actions;
};

// The keys in the order the game's help lists them: the mouse, objects, avatars, messages,
// speeds and gravity, then the game keys.
constexpr std::array<KeyList, textLanguages> keyLists{{
    {"The keys",
     {"Left mouse", "Right mouse", "Spacebar", "Enter", "R", "TAB", "M", "1", "2", "3", "G", "Escape", "F1", "F4"},
     {"Go forward", "Stop and reverse", "Throw object", "Park your avatar", "Throw medals to other players",
      "Show messages", "Send message to other players", "Speed slow", "Speed medium", "Speed fast",
      "Gravity on and off", "Lists keys in game", "Reset game", "Exit"}},
    {"Las teclas",
     {"Ratón izquierdo", "Ratón derecho", "Espacio", "Enter", "R", "TAB", "M", "1", "2", "3", "G", "Escape", "F1",
      "F4"},
     {"Avanzar", "Parar y retroceder", "Lanzar objeto", "Aparcar tu avatar", "Lanzar medallas a otros jugadores",
      "Ver mensajes", "Enviar mensaje a otros jugadores", "Velocidad lenta", "Velocidad media", "Velocidad rápida",
      "Activar y desactivar la gravedad", "Lista las teclas en el juego", "Reiniciar el juego", "Salir"}},
    {"Les touches",
     {"Souris gauche", "Souris droite", "Espace", "Entrée", "R", "TAB", "M", "1", "2", "3", "G", "Échap", "F1", "F4"},
     {"Avancer", "S'arrêter et reculer", "Lancer l'objet", "Garer votre avatar",
      "Lancer des médailles aux autres joueurs", "Voir les messages", "Envoyer un message aux autres joueurs",
      "Vitesse lente", "Vitesse moyenne", "Vitesse rapide", "Activer ou couper la gravité", "Liste les touches en jeu", "Recommencer le jeu",
      "Quitter"}},
    {"Die Tasten",
     {"Linke Maustaste", "Rechte Maustaste", "Leertaste", "Eingabe", "R", "TAB", "M", "1", "2", "3", "G", "Escape",
      "F1", "F4"},
     {"Vorwärts", "Anhalten und rückwärts", "Objekt werfen", "Avatar parken", "Medaillen an andere werfen",
      "Nachrichten zeigen", "Nachricht an andere senden", "Langsam", "Mittel", "Schnell", "Schwerkraft an und aus",
      "Tasten im Spiel zeigen",
      "Spiel neu starten", "Beenden"}},
    {"I tasti",
     {"Mouse sinistro", "Mouse destro", "Barra spaziatrice", "Invio", "R", "TAB", "M", "1", "2", "3", "G", "Esc",
      "F1", "F4"},
     {"Avanti", "Fermati e indietreggia", "Lancia l'oggetto", "Parcheggia il tuo avatar",
      "Lancia medaglie agli altri giocatori", "Mostra i messaggi", "Manda un messaggio agli altri giocatori",
      "Velocità bassa", "Velocità media", "Velocità alta", "Attiva e disattiva la gravità", "Elenca i tasti nel gioco", "Ricomincia il gioco",
      "Esci"}},
    {"Klawisze",
     {"Lewy przycisk", "Prawy przycisk", "Spacja", "Enter", "R", "TAB", "M", "1", "2", "3", "G", "Escape", "F1", "F4"},
     {"Leć naprzód", "Zatrzymaj się i cofnij", "Rzuć przedmiot", "Zaparkuj awatara", "Rzuć medale innym graczom",
      "Pokaż wiadomości", "Wyślij wiadomość innym graczom", "Wolno", "Średnio", "Szybko",
      "Włącz i wyłącz grawitację", "Pokazuje klawisze w grze", "Zacznij grę od nowa", "Wyjście"}},
    {"Tasterne",
     {"Venstre mus", "Højre mus", "Mellemrum", "Enter", "R", "TAB", "M", "1", "2", "3", "G", "Escape", "F1", "F4"},
     {"Flyv fremad", "Stop og bak", "Kast genstand", "Parkér din avatar", "Kast medaljer til andre spillere",
      "Vis beskeder", "Send besked til andre spillere", "Langsom fart", "Mellem fart", "Hurtig fart",
      "Tyngdekraft til og fra", "Viser tasterne i spillet", "Start spillet forfra", "Afslut"}},
}};

// Characters, not bytes, of UTF-8 text.
std::size_t characters(std::string_view utf8)
{
    std::size_t count = 0;
    for (char c : utf8) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

}

std::string keyListText(int language)
{
    const bool known = language >= 0 && language < textLanguages;
    const KeyList& list = keyLists[known ? static_cast<std::size_t>(language) : 0];
    std::string text = "<center><b>";
    text += list.title;
    text += "</b></center><p>";
    for (std::size_t i = 0; i < keyCount; ++i) {
        text += "<tt>";
        text += list.keys[i];
        text.append(keyColumn - std::min(keyColumn - 1, characters(list.keys[i])), '.');
        text += "</tt> ";
        text += list.actions[i];
        text += "<p>";
    }
    return text;
}

}
