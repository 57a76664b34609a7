// The game's texts: line id -> English, Spanish, French, German (the game's language order).
// Every language file gets the same line numbers; ids without a row here are empty lines.
// Texts are UTF-8 here and become Windows-1252 in the files; only printable ASCII and the accented
// letters of the game's font may appear (the generator refuses anything else). "@" would break a
// line in menu texts, so no text uses it.
//
// Where the ids are used:
//   1-11: front end: main page (titles, race kinds, championship, network games, options, quit);
//       the race kinds also head the world page; 3 is also the game room's leave button and a
//       network player's quit in the in-race menu; 11 is the OK button of most pages
//   12-21, 23-24, 26-27: front end: options menu and in-race menu (profile, display, sound,
//       controls), rider page, profile page, default rider name (20), cancel buttons
//   28-32, 37-39: front end: display page
//   43-47, 50, 53: front end: back buttons; race settings of the world, championship and game room
//       pages (laps, opponents, game modes); profile page heading; race and start buttons
//   54-59: front end: in-race menu; sound page sliders
//   60-63, 65-67: front end: network pages (host page, game list)
//   68-84, 86: front end: bike set-up page and the game room's bike lines (four bike parameters,
//       classes, air and landing choices with their descriptions)
//   87-89: front end: game room (panel, chat)
//   90-101, 103-109, 111-115: front end: controls page (action labels of the key map, at most 14
//       characters; input modes; force feedback)
//   116-126: front end: time limit (world, championship and game room pages); sound page choices
//       (3D sound, stereo); landing choice (bike set-up page, game room); air option of the
//       controls page; give-up key label
//   129-131: front end: championship set-up page buttons
//   132-145: front end: controls page, labels of the replay keys (play, save, load, demo slots 1-6,
//       step back and forward, stop, record, pause)
//   146-151: front end: game room tracks button; main page tutorials button; the checkpoint game
//       mode (world, championship and game room pages); display page filtering; the special bike
//       class
//   152-154: front end: bike set-up page, descriptions of the landing choice
//   155-160: front end: display page, ground and texture detail; 160: controls page, replay toggle
//       key label
//   164-165: front end: bike set-up points box (labels of at most 24 characters)
//   166-176: front end: results pages (headings, column titles aligned with the rows below them);
//       171: notice during the machine measurement; 172, 176: championship standings; 173: loading
//       notice; 174-175: display page mip mapping
//   177-180, 182-183: front end: profile page statistics (header aligned with the rows; row labels
//       of at most 7 characters)
//   184-192: front end: game list status line (searching, network failures); game room lines (bike,
//       track, checkpoint target, series)
//
// Widths the pages leave: bottom-button labels about 6 characters, menu-button labels about 10,
// key-map and bike-parameter labels at most 14, statistics row labels at most 7, the default rider
// name (20) at most 12 characters that a file name may hold.
#include "tools/contentgen/text/TextLines.h"

namespace tools {

namespace {

constexpr TextLine kLines[] = {
    // front end: main page (titles, race kinds, championship, network games, options, quit); the
    // race kinds also head the world page; 3 is also the game room's leave button and a network
    // player's quit in the in-race menu; 11 is the OK button of most pages
    {1, {"KESTRUN", "KESTRUN", "KESTRUN", "KESTRUN"}},
    {2, {"MAIN MENU", "MENÚ PRINCIPAL", "MENU PRINCIPAL", "HAUPTMENÜ"}},
    {3, {"QUIT", "SALIR", "QUITTER", "ENDE"}},
    {4, {"MOTOCROSS", "MOTOCROSS", "MOTOCROSS", "MOTOCROSS"}},
    {5, {"SUPERCROSS", "SUPERCROSS", "SUPERCROSS", "SUPERCROSS"}},
    {6, {"FREESTYLE", "FREESTYLE", "FREESTYLE", "FREESTYLE"}},
    {7, {"CHAMPIONSHIP", "CAMPEONATO", "CHAMPIONNAT", "MEISTERSCHAFT"}},
    {8, {"LAN GAME", "RED LOCAL", "RÉSEAU LOCAL", "LAN-SPIEL"}},
    {9, {"ONLINE GAME", "EN LÍNEA", "EN LIGNE", "ONLINE-SPIEL"}},
    {10, {"OPTIONS", "OPCIONES", "OPTIONS", "OPTIONEN"}},
    {11, {"OK", "OK", "OK", "OK"}},
    // front end: options menu and in-race menu (profile, display, sound, controls), rider page,
    // profile page, default rider name (20), cancel buttons
    {12, {"PROFILE", "PERFIL", "PROFIL", "PROFIL"}},
    {13, {"DISPLAY", "PANTALLA", "AFFICHAGE", "GRAFIK"}},
    {14, {"SOUND", "SONIDO", "SON", "TON"}},
    {15, {"CONTROLS", "CONTROLES", "COMMANDES", "STEUERUNG"}},
    {16, {"RIDER", "PILOTO", "PILOTE", "FAHRER"}},
    {17, {"RIDER LOOK", "ASPECTO PILOTO", "TENUE PILOTE", "FAHRER-LOOK"}},
    {18, {"BIKE LOOK", "ASPECTO MOTO", "DÉCO MOTO", "MOTORRAD-LOOK"}},
    {19, {"NAME", "NOMBRE", "NOM", "NAME"}},
    {20, {"RIDER", "PILOTO", "PILOTE", "FAHRER"}},
    {21, {"NEW", "NUEVO", "NOUVEAU", "NEU"}},
    {23, {"DELETE", "BORRAR", "SUPPRIMER", "LÖSCHEN"}},
    {24, {"EDIT", "EDITAR", "MODIFIER", "ÄNDERN"}},
    {26, {"PROFILES", "PERFILES", "PROFILS", "PROFILE"}},
    {27, {"CANCEL", "ANULAR", "ANNULER", "ABBRUCH"}},
    // front end: display page
    {28, {"DISPLAY SETTINGS", "OPCIONES GRÁFICAS", "RÉGLAGES AFFICHAGE", "GRAFIK-OPTIONEN"}},
    {29, {"SCREEN MODE", "RESOLUCIÓN", "RÉSOLUTION", "AUFLÖSUNG"}},
    {30, {"BRIGHTNESS", "BRILLO", "LUMINOSITÉ", "HELLIGKEIT"}},
    {31, {"CONTRAST", "CONTRASTE", "CONTRASTE", "KONTRAST"}},
    {32, {"VIEW DISTANCE", "DISTANCIA VISUAL", "DISTANCE DE VUE", "SICHTWEITE"}},
    {37, {"EFFECTS LOW", "EFECTOS BAJOS", "EFFETS FAIBLES", "EFFEKTE NIEDRIG"}},
    {38, {"EFFECTS MEDIUM", "EFECTOS MEDIOS", "EFFETS MOYENS", "EFFEKTE MITTEL"}},
    {39, {"EFFECTS HIGH", "EFECTOS ALTOS", "EFFETS ÉLEVÉS", "EFFEKTE HOCH"}},
    // front end: back buttons; race settings of the world, championship and game room pages (laps,
    // opponents, game modes); profile page heading; race and start buttons
    {43, {"BACK", "VOLVER", "RETOUR", "ZURÜCK"}},
    {44, {"LAPS", "VUELTAS", "TOURS", "RUNDEN"}},
    {45, {"OPPONENTS", "RIVALES", "ADVERSAIRES", "GEGNER"}},
    {46, {"PRACTICE", "PRÁCTICA", "ENTRAÎNEMENT", "TRAINING"}},
    {47, {"RACE", "CARRERA", "COURSE", "RENNEN"}},
    {50, {"PLAYER PROFILES", "PERFILES DE JUGADOR", "PROFILS JOUEURS", "SPIELERPROFILE"}},
    {53, {"RACE", "CORRER", "COURIR", "START"}},
    // front end: in-race menu; sound page sliders
    {54, {"PAUSED", "PAUSA", "PAUSE", "PAUSE"}},
    {55, {"CONTINUE", "CONTINUAR", "CONTINUER", "WEITER"}},
    {56, {"RETIRE", "ABANDONAR", "ABANDONNER", "AUFGEBEN"}},
    {57, {"END CHAMPIONSHIP", "FIN CAMPEONATO", "FIN CHAMPIONNAT", "MEISTERSCHAFT ENDE"}},
    {58, {"EFFECTS", "EFECTOS", "EFFETS", "EFFEKTE"}},
    {59, {"MUSIC", "MÚSICA", "MUSIQUE", "MUSIK"}},
    // front end: network pages (host page, game list)
    {60, {"HOST GAME", "CREAR PARTIDA", "CRÉER PARTIE", "SPIEL ERÖFFNEN"}},
    {61, {"GAME NAME", "NOMBRE PARTIDA", "NOM DE PARTIE", "SPIELNAME"}},
    {62, {"HOST", "CREAR", "CRÉER", "ERÖFFNEN"}},
    {63, {"NAMED GAME", "CON NOMBRE", "PARTIE NOMMÉE", "MIT NAMEN"}},
    {65, {"LAN GAMES", "PARTIDAS EN RED", "PARTIES EN RÉSEAU", "LAN-SPIELE"}},
    {66, {"JOIN", "UNIRSE", "REJOINDRE", "BEITRETEN"}},
    {67, {"REFRESH", "ACTUALIZAR", "ACTUALISER", "AKTUALISIEREN"}},
    // front end: bike set-up page and the game room's bike lines (four bike parameters, classes,
    // air and landing choices with their descriptions)
    {68, {"BIKE SETUP", "AJUSTES MOTO", "RÉGLAGES MOTO", "MOTORRAD"}},
    {69, {"AIR CONTROL", "CONTROL AÉREO", "AGILITÉ", "LUFTKONTROLLE"}},
    {70, {"ACCELERATION", "ACELERACIÓN", "ACCÉLÉRATION", "BESCHLEUNIGUNG"}},
    {71, {"TOP SPEED", "VELOCIDAD MÁX", "VITESSE MAX", "HÖCHSTTEMPO"}},
    {72, {"ENGINE", "MOTOR", "MOTEUR", "MOTOR"}},
    {73, {"DESCRIPTION", "DESCRIPCIÓN", "DESCRIPTION", "BESCHREIBUNG"}},
    {74, {"125 CC", "125 CC", "125 CC", "125 CCM"}},
    {75, {"250 CC", "250 CC", "250 CC", "250 CCM"}},
    {76, {"500 CC", "500 CC", "500 CC", "500 CCM"}},
    {77, {"DEFAULTS", "POR DEFECTO", "PAR DÉFAUT", "STANDARD"}},
    {78, {"INFO", "INFO", "INFO", "INFO"}},
    {79, {"AUTO AIR", "AIRE AUTO", "AIR AUTO", "LUFT AUTO"}},
    {80,
     {"The bike holds its attitude in the air by itself.",
      "La moto mantiene sola su posición en el aire.",
      "La moto garde seule son assiette en l'air.",
      "Das Motorrad hält seine Lage in der Luft von selbst."}},
    {81, {"MIXED AIR", "AIRE MIXTO", "AIR MIXTE", "LUFT GEMISCHT"}},
    {82,
     {"You steer in the air with the keys; an analog stick gets some help.",
      "Controlas el aire con las teclas; con un stick analógico tienes ayuda.",
      "Vous pilotez en l'air au clavier ; un stick analogique est assisté.",
      "Du steuerst in der Luft mit Tasten; ein Analogstick wird unterstützt."}},
    {83, {"MANUAL AIR", "AIRE MANUAL", "AIR MANUEL", "LUFT MANUELL"}},
    {84,
     {"You control the bike in the air entirely by yourself.",
      "Controlas la moto en el aire por completo.",
      "Vous contrôlez entièrement la moto en l'air.",
      "Du steuerst das Motorrad in der Luft ganz allein."}},
    {86, {"CUSTOM", "A MEDIDA", "PERSO", "EIGENBAU"}},
    // front end: game room (panel, chat)
    {87, {"GAME ROOM", "SALA DE JUEGO", "SALON", "SPIELRAUM"}},
    {88, {"SAY", "DECIR", "MESSAGE", "NACHRICHT"}},
    {89, {"CHAT", "CHAT", "DISCUSSION", "CHAT"}},
    // front end: controls page (action labels of the key map, at most 14 characters; input modes;
    // force feedback)
    {90, {"THROTTLE", "ACELERAR", "ACCÉLÉRER", "GAS"}},
    {91, {"BRAKE", "FRENAR", "FREINER", "BREMSE"}},
    {92, {"LEAN BACK", "ATRÁS", "EN ARRIÈRE", "NACH HINTEN"}},
    {93, {"LEAN FORWARD", "ADELANTE", "EN AVANT", "NACH VORN"}},
    {94, {"STEER LEFT", "IZQUIERDA", "GAUCHE", "LINKS"}},
    {95, {"STEER RIGHT", "DERECHA", "DROITE", "RECHTS"}},
    {96, {"HOP", "SALTAR", "SAUT", "SPRINGEN"}},
    {97, {"TRICK A", "TRUCO A", "FIGURE A", "TRICK A"}},
    {98, {"AIR 2 LEFT", "AIRE 2 IZQ.", "AIR 2 GAUCHE", "LUFT 2 LINKS"}},
    {99, {"AIR 2 RIGHT", "AIRE 2 DER.", "AIR 2 DROITE", "LUFT 2 RECHTS"}},
    {100, {"AIR LEFT", "AIRE IZQ.", "AIR GAUCHE", "LUFT LINKS"}},
    {101, {"AIR RIGHT", "AIRE DER.", "AIR DROITE", "LUFT RECHTS"}},
    {103, {"PAUSE", "PAUSA", "PAUSE", "PAUSE"}},
    {104, {"SCREENSHOT", "CAPTURA", "CAPTURE", "SCREENSHOT"}},
    {105, {"KEYBOARD", "TECLADO", "CLAVIER", "TASTATUR"}},
    {106, {"JOYPAD", "MANDO", "MANETTE", "GAMEPAD"}},
    {107, {"ANALOG", "ANALÓGICO", "ANALOGIQUE", "ANALOG"}},
    {108, {"ANALOG 2", "ANALÓGICO 2", "ANALOGIQUE 2", "ANALOG 2"}},
    {109, {"STRENGTH", "INTENSIDAD", "INTENSITÉ", "STÄRKE"}},
    {111, {"FEEDBACK ON", "VIBRACIÓN SÍ", "VIBRATIONS OUI", "FEEDBACK AN"}},
    {112, {"FEEDBACK OFF", "VIBRACIÓN NO", "VIBRATIONS NON", "FEEDBACK AUS"}},
    {113, {"RESTART", "REINICIAR", "RECOMMENCER", "NEUSTART"}},
    {114, {"BACK ON TRACK", "VOLVER A PISTA", "RETOUR PISTE", "ZUR STRECKE"}},
    {115, {"TRICK B", "TRUCO B", "FIGURE B", "TRICK B"}},
    // front end: time limit (world, championship and game room pages); sound page choices (3D
    // sound, stereo); landing choice (bike set-up page, game room); air option of the controls
    // page; give-up key label
    {116, {"TIME LIMIT", "TIEMPO LÍMITE", "TEMPS LIMITE", "ZEITLIMIT"}},
    {117, {"3D SOUND OFF", "SONIDO 3D NO", "SON 3D NON", "3D-SOUND AUS"}},
    {118, {"3D SOUND ON", "SONIDO 3D SÍ", "SON 3D OUI", "3D-SOUND AN"}},
    {119, {"NORMAL STEREO", "ESTÉREO NORMAL", "STÉRÉO NORMALE", "STEREO NORMAL"}},
    {120, {"REVERSED STEREO", "ESTÉREO INVERSO", "STÉRÉO INVERSÉE", "STEREO GETAUSCHT"}},
    {121, {"NO LANDING AID", "SIN AYUDA", "SANS AIDE", "OHNE HILFE"}},
    {122, {"LANDING AID", "AYUDA SUAVE", "AIDE LÉGÈRE", "LANDEHILFE"}},
    {123, {"AUTO LANDING", "AYUDA TOTAL", "AIDE TOTALE", "AUTO-LANDUNG"}},
    {124, {"AIR SWAP OFF", "CAMBIO AIRE NO", "INVERSION NON", "LUFTWECHSEL AUS"}},
    {125, {"AIR SWAP ON", "CAMBIO AIRE SÍ", "INVERSION OUI", "LUFTWECHSEL AN"}},
    {126, {"BAIL OUT", "TIRARSE", "TOMBER", "ABSPRINGEN"}},
    // front end: championship set-up page buttons
    {129, {"CLEAR", "BORRAR", "VIDER", "LEEREN"}},
    {130, {"ADD ALL", "TODOS", "TOUT", "ALLE"}},
    {131, {"SHUFFLE", "MEZCLAR", "MÉLANGER", "MISCHEN"}},
    // front end: controls page, labels of the replay keys (play, save, load, demo slots 1-6, step
    // back and forward, stop, record, pause)
    {132, {"PLAY", "REPRODUCIR", "LECTURE", "ABSPIELEN"}},
    {133, {"SAVE DEMO", "GUARDAR DEMO", "SAUVER DÉMO", "DEMO SPEICHERN"}},
    {134, {"LOAD DEMO", "CARGAR DEMO", "CHARGER DÉMO", "DEMO LADEN"}},
    {135, {"DEMO SLOT 1", "RANURA 1", "EMPLACEMENT 1", "PLATZ 1"}},
    {136, {"DEMO SLOT 2", "RANURA 2", "EMPLACEMENT 2", "PLATZ 2"}},
    {137, {"DEMO SLOT 3", "RANURA 3", "EMPLACEMENT 3", "PLATZ 3"}},
    {138, {"DEMO SLOT 4", "RANURA 4", "EMPLACEMENT 4", "PLATZ 4"}},
    {139, {"DEMO SLOT 5", "RANURA 5", "EMPLACEMENT 5", "PLATZ 5"}},
    {140, {"DEMO SLOT 6", "RANURA 6", "EMPLACEMENT 6", "PLATZ 6"}},
    {141, {"STEP BACK", "PASO ATRÁS", "IMAGE PRÉC.", "SCHRITT ZURÜCK"}},
    {142, {"STEP FORWARD", "PASO ADELANTE", "IMAGE SUIV.", "SCHRITT VOR"}},
    {143, {"STOP", "PARAR", "STOP", "STOPP"}},
    {144, {"RECORD", "GRABAR", "ENREGISTRER", "AUFNAHME"}},
    {145, {"REPLAY PAUSE", "PAUSA REPLAY", "PAUSE RALENTI", "REPLAY-PAUSE"}},
    // front end: game room tracks button; main page tutorials button; the checkpoint game mode
    // (world, championship and game room pages); display page filtering; the special bike class
    {146, {"TRACKS", "CIRCUITOS", "CIRCUITS", "STRECKEN"}},
    {147, {"TUTORIALS", "TUTORIALES", "TUTORIELS", "TUTORIALS"}},
    {148, {"CHECKPOINTS", "BALIZAS", "BALISES", "CHECKPOINTS"}},
    {149, {"SMOOTHING ON", "SUAVIZADO SÍ", "LISSAGE OUI", "FILTER AN"}},
    {150, {"SMOOTHING OFF", "SUAVIZADO NO", "LISSAGE NON", "FILTER AUS"}},
    {151, {"SPECIAL", "ESPECIAL", "SPÉCIALE", "SPEZIAL"}},
    // front end: bike set-up page, descriptions of the landing choice
    {152,
     {"Landings are all yours.",
      "Los aterrizajes dependen solo de ti.",
      "Les réceptions ne dépendent que de vous.",
      "Landungen liegen ganz bei dir."}},
    {153,
     {"The bike levels itself before it lands.",
      "La moto se nivela antes de aterrizar.",
      "La moto se redresse avant la réception.",
      "Das Motorrad richtet sich vor der Landung aus."}},
    {154,
     {"The bike lines itself up for the landing and the course.",
      "La moto se alinea sola para aterrizar y seguir el recorrido.",
      "La moto se place seule pour la réception et la suite du parcours.",
      "Das Motorrad richtet sich selbst für Landung und Strecke aus."}},
    // front end: display page, ground and texture detail; 160: controls page, replay toggle key
    // label
    {155, {"GROUND LOW", "SUELO BAJO", "SOL BAS", "BODEN NIEDRIG"}},
    {156, {"GROUND MEDIUM", "SUELO MEDIO", "SOL MOYEN", "BODEN MITTEL"}},
    {157, {"GROUND HIGH", "SUELO ALTO", "SOL ÉLEVÉ", "BODEN HOCH"}},
    {158, {"TEXTURES LOW", "TEXTURAS BAJAS", "TEXTURES BASSES", "TEXTUREN NIEDRIG"}},
    {159, {"TEXTURES HIGH", "TEXTURAS ALTAS", "TEXTURES HAUTES", "TEXTUREN HOCH"}},
    {160, {"REPLAY", "REPETICIÓN", "RELECTURE", "WIEDERHOLUNG"}},
    // front end: bike set-up points box (labels of at most 24 characters)
    {164, {"BIKE POINTS", "PUNTOS DE MOTO", "POINTS MOTO", "MOTORRADPUNKTE"}},
    {165, {"POINTS LEFT", "PUNTOS LIBRES", "POINTS RESTANTS", "RESTPUNKTE"}},
    // front end: results pages (headings, column titles aligned with the rows below them); 171:
    // notice during the machine measurement; 172, 176: championship standings; 173: loading notice;
    // 174-175: display page mip mapping
    {166, {"RESULTS", "RESULTADOS", "RÉSULTATS", "ERGEBNISSE"}},
    {167, {"OPPONENTS", "RIVALES", "ADVERSAIRES", "GEGNER"}},
    {168, {"SCORES", "PUNTUACIONES", "SCORES", "PUNKTESTAND"}},
    {169,
     {" #  NAME              PTS   TIME",
      " #  NOMBRE            PTS   TIEMPO",
      " #  NOM               PTS   TEMPS",
      " #  NAME              PKT   ZEIT"}},
    {170,
     {"NAME                   SCORE   PTS",
      "NOMBRE              PUNTUAC.   PTS",
      "NOM                    SCORE   PTS",
      "NAME                 WERTUNG   PKT"}},
    {171,
     {"CHECKING YOUR MACHINE, PLEASE WAIT...",
      "ANALIZANDO TU EQUIPO, ESPERA...",
      "ANALYSE DE VOTRE MACHINE, PATIENTEZ...",
      "RECHNER WIRD GEPRÜFT, BITTE WARTEN..."}},
    {172, {"CHAMPIONSHIP STANDINGS", "CLASIFICACIÓN", "CLASSEMENT", "GESAMTWERTUNG"}},
    {173, {"LOADING...", "CARGANDO...", "CHARGEMENT...", "LADEN..."}},
    {174, {"MIPMAPS OFF", "MIPMAPS NO", "MIPMAPS NON", "MIPMAPS AUS"}},
    {175, {"MIPMAPS ON", "MIPMAPS SÍ", "MIPMAPS OUI", "MIPMAPS AN"}},
    {176,
     {"NAME                 PTS     CUP",
      "NOMBRE               PTS    COPA",
      "NOM                  PTS   COUPE",
      "NAME                 PKT   POKAL"}},
    // front end: profile page statistics (header aligned with the rows; row labels of at most 7
    // characters)
    {177,
     {"       RACES     TOP   POINTS",
      "       CARR.   PODIO   PUNTOS",
      "       COUR.   PLACÉ   POINTS",
      "       START   PLATZ   PUNKTE"}},
    {178, {"MX", "MX", "MX", "MX"}},
    {179, {"SX", "SX", "SX", "SX"}},
    {180, {"FMX", "FMX", "FMX", "FMX"}},
    {182, {"CHAMP", "CAMP.", "CHAMP.", "MEIST."}},
    {183, {"TOTAL", "TOTAL", "TOTAL", "GESAMT"}},
    // front end: game list status line (searching, network failures); game room lines (bike, track,
    // checkpoint target, series)
    {184,
     {"SEARCHING THE NETWORK...",
      "BUSCANDO EN LA RED...",
      "RECHERCHE SUR LE RÉSEAU...",
      "SUCHE IM NETZWERK..."}},
    {185,
     {"SEARCHING ONLINE...",
      "BUSCANDO EN INTERNET...",
      "RECHERCHE EN LIGNE...",
      "SUCHE IM INTERNET..."}},
    {186, {"NETWORK NOT AVAILABLE", "RED NO DISPONIBLE", "RÉSEAU INDISPONIBLE", "NETZWERK NICHT VERFÜGBAR"}},
    {187, {"SEARCH ERROR", "ERROR DE BÚSQUEDA", "ERREUR DE RECHERCHE", "FEHLER BEI DER SUCHE"}},
    {188, {"SEARCH COULD NOT START", "NO SE PUDO BUSCAR", "RECHERCHE IMPOSSIBLE", "SUCHE NICHT MÖGLICH"}},
    {189, {"BIKE", "MOTO", "MOTO", "MOTORRAD"}},
    {190, {"TRACK", "CIRCUITO", "CIRCUIT", "STRECKE"}},
    {191, {"TARGET", "OBJETIVO", "OBJECTIF", "ZIEL"}},
    {192, {"SERIES", "SERIE", "SÉRIE", "SERIE"}},
};

}  // namespace

std::span<const TextLine> TextLines() { return kLines; }

}  // namespace tools
