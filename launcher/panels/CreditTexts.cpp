#include "launcher/panels/PanelTexts.h"

namespace game_launcher
{

const PageTexts& problemTexts()
{
    static const PageTexts texts{
        "<center><i>Having trouble? The answers to the questions players ask most, and the newest "
        "graphics and sound tips, are on our support page:<p>"
        "<a href=\"https://www.pellmore.example/aurelle/support\">www.pellmore.example/aurelle/support</a><p>"
        "If the game does not start, try \"Full acceleration\" off on the Options tab, or a smaller "
        "screen mode.</i></center>",
        "<center><i>¿Tienes problemas? Las respuestas a las preguntas más frecuentes y los últimos "
        "consejos sobre gráficos y sonido están en nuestra página de ayuda:<p>"
        "<a href=\"https://www.pellmore.example/aurelle/support\">www.pellmore.example/aurelle/support</a><p>"
        "Si el juego no arranca, desactiva \"Full acceleration\" en la pestaña Options o elige un modo "
        "de pantalla más pequeño.</i></center>",
    };
    return texts;
}

const PageTexts& creditTexts()
{
    static const PageTexts texts{
        "<center><b>Aurelle: %%t</b><p>Created by %%m<p>Music and sound: %%d<p>Graphics: %%g<p>"
        "Thank you for flying with us.</center>",
        "<center><b>Aurelle: %%t</b><p>Creado por %%m<p>Música y sonido: %%d<p>Gráficos: %%g<p>"
        "Gracias por volar con nosotros.</center>",
        "<center><b>Aurelle : %%t</b><p>Créé par %%m<p>Musique et son : %%d<p>Graphismes : %%g<p>"
        "Merci de voler avec nous.</center>",
        "<center><b>Aurelle: %%t</b><p>Erschaffen von %%m<p>Musik und Klang: %%d<p>Grafik: %%g<p>"
        "Danke, dass du mit uns fliegst.</center>",
        "<center><b>Aurelle: %%t</b><p>Creato da %%m<p>Musica e suono: %%d<p>Grafica: %%g<p>"
        "Grazie di volare con noi.</center>",
        "<center><b>Aurelle: %%t</b><p>Twórca: %%m<p>Muzyka i dźwięk: %%d<p>Grafika: %%g<p>"
        "Dziękujemy, że latasz z nami.</center>",
        "<center><b>Aurelle: %%t</b><p>Skabt af %%m<p>Musik og lyd: %%d<p>Grafik: %%g<p>"
        "Tak fordi du flyver med os.</center>",
    };
    return texts;
}

std::string_view creditTextSecondOrder()
{
    return "<center><b>Aurelle: %%t</b><p>Graphics: %%g<p>Music and sound: %%d<p>Created by %%m<p>"
           "Thank you for flying with us.</center>";
}

std::string_view creditFooter()
{
    return "<center>This program uses Ogg Vorbis audio compression: "
           "<a href=\"https://xiph.org/vorbis/\">xiph.org/vorbis</a></center>";
}

std::string_view webText()
{
    return "<center><a href=\"https://www.pellmore.example/aurelle/\">www.pellmore.example</a></center>";
}

std::string_view activeServersText()
{
    return "<center><a href=\"https://www.pellmore.example/aurelle/servers\">Find active servers</a></center>";
}

}
