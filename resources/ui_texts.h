// The texts of the menu and the dialogs, stated once for every shell: the Windows
// resource script uses them, and so do the Qt and browser shells. Plain macros of string
// literals, because the resource compilers take nothing else.
//
// The menus' mnemonics and shortcut keys are data of their own (rules/commands.cpp); each
// shell marks them in its own way. The one accented letter is an octal escape
// in Latin-1, which Windows code page 1252 reads alike: the resource script compiles it
// as code page 1252, the Qt and browser shells read every text here as Latin-1.
#pragma once

#define TEXT_TITLE "Zirirar Aduzo"  // the main window's title, and the name sound servers show
#define TEXT_MENU_GAME "Jeu"
#define TEXT_GAME_NEW "Nouveau Jeu"
#define TEXT_GAME_LEVEL "Niveau..."
#define TEXT_GAME_FREEPLAY "Jeu Libre"
#define TEXT_GAME_SOUND "Son"
#define TEXT_GAME_QUIT "Quitter"
#define TEXT_MENU_HELP "Aide"
#define TEXT_HELP_INSTRUCTIONS "Instructions"
#define TEXT_HELP_ABOUT "A Propos"

#define TEXT_LEVEL_CAPTION "Choisir un niveau"
#define TEXT_LEVEL_PROMPT "Veuillez choisir un tableau et un niveau de comp\351tences"
#define TEXT_LEVEL_BOARD "Tableau:"
#define TEXT_LEVEL_SKILL "Niveau:"
#define TEXT_OK "OK"
#define TEXT_CANCEL "Annuler"

#define TEXT_INSTRUCTIONS_CAPTION "Instructions"
#define TEXT_CLOSE "Fermer"

// The browser game's page once Quitter has ended the session (a page cannot close itself).
#define TEXT_ENDED "Le jeu est termin\351."
#define TEXT_RESTART "Rejouer"
