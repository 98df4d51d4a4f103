// Command and control identifiers shared by the resource script and the code.
#pragma once

#define ID_GAME_NEW 521
#define ID_GAME_LEVEL 522
#define ID_GAME_FREEPLAY 523
#define ID_GAME_SOUND 524
#define ID_GAME_QUIT 526
#define ID_HELP_ABOUT 531
#define ID_HELP_INSTRUCTIONS 533

#define IDC_BOARD 640
#define IDC_SKILL 642
#define IDC_INSTRUCTIONS 658
