#include "launcher/panels/PanelTexts.h"

namespace game_launcher
{

const PageTexts& welcomeTexts()
{
    static const PageTexts texts{
        // English
        "<center><b>Welcome to Aurelle: %%t</b></center><p>"
        "Fly through the Glasstide world, a sea of islands, lighthouses and caves where the music "
        "changes with every place you reach. Collect the rings, find the hidden paths and listen.<p>"
        "Hold the <b>left mouse button</b> to fly forward and steer with the mouse; the <b>right "
        "button</b> stops you and flies backwards. <b>Escape</b> pauses the game and lists the keys.<p>"
        "Choose your screen mode below, or keep the current one, and press <b>Start game</b>.",
        // Spanish
        "<center><b>Bienvenido a Aurelle: %%t</b></center><p>"
        "Vuela por el mundo de Glasstide, un mar de islas, faros y cuevas donde la música cambia "
        "en cada lugar al que llegas. Recoge los anillos, encuentra los caminos ocultos y escucha.<p>"
        "Mantén pulsado el <b>botón izquierdo del ratón</b> para avanzar y dirige con el ratón; el "
        "<b>botón derecho</b> te detiene y te hace retroceder. <b>Escape</b> pausa el juego y muestra "
        "las teclas.<p>"
        "Elige el modo de pantalla abajo, o conserva el actual, y pulsa <b>Start game</b>.",
        // French
        "<center><b>Bienvenue dans Aurelle : %%t</b></center><p>"
        "Volez à travers le monde de Glasstide, une mer d'îles, de phares et de grottes où la "
        "musique change à chaque endroit que vous atteignez. Ramassez les anneaux, trouvez les "
        "passages cachés et écoutez.<p>"
        "Maintenez le <b>bouton gauche de la souris</b> pour avancer et dirigez avec la souris ; le "
        "<b>bouton droit</b> vous arrête et vous fait reculer. <b>Échap</b> met le jeu en pause et "
        "affiche les touches.<p>"
        "Choisissez le mode d'affichage ci-dessous, ou gardez l'actuel, puis cliquez sur "
        "<b>Start game</b>.",
        // German
        "<center><b>Willkommen bei Aurelle: %%t</b></center><p>"
        "Fliege durch die Welt von Glasstide, ein Meer aus Inseln, Leuchttürmen und Höhlen, in dem "
        "sich die Musik an jedem Ort ändert, den du erreichst. Sammle die Ringe, finde die "
        "verborgenen Wege und hör zu.<p>"
        "Halte die <b>linke Maustaste</b> gedrückt, um vorwärts zu fliegen, und lenke mit der Maus; "
        "die <b>rechte Maustaste</b> hält dich an und fliegt rückwärts. <b>Escape</b> hält das Spiel "
        "an und zeigt die Tasten.<p>"
        "Wähle unten den Bildschirmmodus oder behalte den aktuellen und klicke auf <b>Start game</b>.",
        // Italian
        "<center><b>Benvenuto in Aurelle: %%t</b></center><p>"
        "Vola nel mondo di Glasstide, un mare di isole, fari e grotte dove la musica cambia in ogni "
        "luogo che raggiungi. Raccogli gli anelli, trova i sentieri nascosti e ascolta.<p>"
        "Tieni premuto il <b>tasto sinistro del mouse</b> per volare in avanti e guida con il mouse; "
        "il <b>tasto destro</b> ti ferma e ti fa indietreggiare. <b>Esc</b> mette in pausa il gioco e "
        "mostra i tasti.<p>"
        "Scegli qui sotto la modalità dello schermo, oppure tieni quella attuale, e premi "
        "<b>Start game</b>.",
        // Polish
        "<center><b>Witaj w Aurelle: %%t</b></center><p>"
        "Leć przez świat Glasstide, morze wysp, latarni i jaskiń, gdzie muzyka zmienia się w każdym "
        "miejscu, do którego dotrzesz. Zbieraj pierścienie, odnajduj ukryte ścieżki i słuchaj.<p>"
        "Przytrzymaj <b>lewy przycisk myszy</b>, aby lecieć naprzód, i steruj myszą; <b>prawy "
        "przycisk</b> zatrzymuje cię i cofa. <b>Escape</b> wstrzymuje grę i pokazuje klawisze.<p>"
        "Wybierz poniżej tryb ekranu albo zostaw obecny i naciśnij <b>Start game</b>.",
        // Danish
        "<center><b>Velkommen til Aurelle: %%t</b></center><p>"
        "Flyv gennem Glasstides verden, et hav af øer, fyrtårne og huler, hvor musikken skifter på "
        "hvert sted, du når frem til. Saml ringene, find de skjulte stier og lyt.<p>"
        "Hold <b>venstre museknap</b> nede for at flyve fremad, og styr med musen; <b>højre "
        "museknap</b> standser dig og flyver baglæns. <b>Escape</b> sætter spillet på pause og viser "
        "tasterne.<p>"
        "Vælg skærmtilstand herunder, eller behold den nuværende, og tryk på <b>Start game</b>.",
    };
    return texts;
}

}
