#include "launcher/panels/PanelTexts.h"

namespace game_launcher
{

const PageTexts& welcomeTexts()
{
    static const PageTexts texts{
        // English
        "<center><b>Welcome to Aurelle: %%t</b></center><p>"
        "Fly through the Glasstide world, a sea of glass islands with a lighthouse at dusk and a reef "
        "by night, where the music changes with every place you reach. Collect the rings, pass them "
        "on to other players and listen.<p>"
        "Hold the <b>left mouse button</b> to fly forward and steer with the mouse; the <b>right "
        "button</b> stops you and flies backwards. <b>Escape</b> pauses the game; while it is paused, "
        "<b>F1</b> starts it again and <b>F4</b> quits.<p>"
        "Choose your screen mode below, or keep the current one, and press <b>Start game</b>.",
        // Spanish
        "<center><b>Bienvenido a Aurelle: %%t</b></center><p>"
        "Vuela por el mundo de Glasstide, un mar de islas de cristal con un faro al atardecer y un "
        "arrecife de noche, donde la música cambia en cada lugar al que llegas. Recoge los anillos, "
        "pásalos a otros jugadores y escucha.<p>"
        "Mantén pulsado el <b>botón izquierdo del ratón</b> para avanzar y dirige con el ratón; el "
        "<b>botón derecho</b> te detiene y te hace retroceder. <b>Escape</b> pausa el juego; en pausa, "
        "<b>F1</b> lo empieza de nuevo y <b>F4</b> lo termina.<p>"
        "Elige el modo de pantalla abajo, o conserva el actual, y pulsa <b>Start game</b>.",
        // French
        "<center><b>Bienvenue dans Aurelle : %%t</b></center><p>"
        "Volez à travers le monde de Glasstide, une mer d'îles de verre avec un phare au crépuscule "
        "et un récif la nuit, où la musique change à chaque endroit que vous atteignez. Ramassez les "
        "anneaux, passez-les aux autres joueurs et écoutez.<p>"
        "Maintenez le <b>bouton gauche de la souris</b> pour avancer et dirigez avec la souris ; le "
        "<b>bouton droit</b> vous arrête et vous fait reculer. <b>Échap</b> met le jeu en pause ; en "
        "pause, <b>F1</b> le recommence et <b>F4</b> le quitte.<p>"
        "Choisissez le mode d'affichage ci-dessous, ou gardez l'actuel, puis cliquez sur "
        "<b>Start game</b>.",
        // German
        "<center><b>Willkommen bei Aurelle: %%t</b></center><p>"
        "Fliege durch die Welt von Glasstide, ein Meer aus gläsernen Inseln mit einem Leuchtturm in "
        "der Dämmerung und einem Riff bei Nacht, in dem sich die Musik an jedem Ort ändert, den du "
        "erreichst. Sammle die Ringe, gib sie an andere Spieler weiter und hör zu.<p>"
        "Halte die <b>linke Maustaste</b> gedrückt, um vorwärts zu fliegen, und lenke mit der Maus; "
        "die <b>rechte Maustaste</b> hält dich an und fliegt rückwärts. <b>Escape</b> hält das Spiel "
        "an; angehalten startet <b>F1</b> es neu und <b>F4</b> beendet es.<p>"
        "Wähle unten den Bildschirmmodus oder behalte den aktuellen und klicke auf <b>Start game</b>.",
        // Italian
        "<center><b>Benvenuto in Aurelle: %%t</b></center><p>"
        "Vola nel mondo di Glasstide, un mare di isole di vetro con un faro al tramonto e una "
        "scogliera di notte, dove la musica cambia in ogni luogo che raggiungi. Raccogli gli anelli, "
        "passali agli altri giocatori e ascolta.<p>"
        "Tieni premuto il <b>tasto sinistro del mouse</b> per volare in avanti e guida con il mouse; "
        "il <b>tasto destro</b> ti ferma e ti fa indietreggiare. <b>Esc</b> mette in pausa il gioco; "
        "in pausa, <b>F1</b> lo ricomincia e <b>F4</b> lo chiude.<p>"
        "Scegli qui sotto la modalità dello schermo, oppure tieni quella attuale, e premi "
        "<b>Start game</b>.",
        // Polish
        "<center><b>Witaj w Aurelle: %%t</b></center><p>"
        "Leć przez świat Glasstide, morze szklanych wysp z latarnią o zmierzchu i rafą nocą, gdzie "
        "muzyka zmienia się w każdym miejscu, do którego dotrzesz. Zbieraj pierścienie, podawaj je "
        "innym graczom i słuchaj.<p>"
        "Przytrzymaj <b>lewy przycisk myszy</b>, aby lecieć naprzód, i steruj myszą; <b>prawy "
        "przycisk</b> zatrzymuje cię i cofa. <b>Escape</b> wstrzymuje grę; w pauzie <b>F1</b> zaczyna "
        "ją od nowa, a <b>F4</b> kończy.<p>"
        "Wybierz poniżej tryb ekranu albo zostaw obecny i naciśnij <b>Start game</b>.",
        // Danish
        "<center><b>Velkommen til Aurelle: %%t</b></center><p>"
        "Flyv gennem Glasstides verden, et hav af glasøer med et fyrtårn i skumringen og et rev om "
        "natten, hvor musikken skifter på hvert sted, du når frem til. Saml ringene, giv dem videre "
        "til andre spillere og lyt.<p>"
        "Hold <b>venstre museknap</b> nede for at flyve fremad, og styr med musen; <b>højre "
        "museknap</b> standser dig og flyver baglæns. <b>Escape</b> sætter spillet på pause; på "
        "pause starter <b>F1</b> det forfra, og <b>F4</b> afslutter det.<p>"
        "Vælg skærmtilstand herunder, eller behold den nuværende, og tryk på <b>Start game</b>.",
    };
    return texts;
}

}
