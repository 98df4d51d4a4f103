// The English texts of the Help menu, kept free of platform headers.
#pragma once

// The About box: caption and text (a message box breaks lines at LF).
constexpr char kAboutCaption[] = "A Propos";
constexpr char kAboutText[] =
    "Zirirar Aduzo\n"
    "Version 1.03\n"
    "\n"
    "A memory game: watch the squares light up with their notes, "
    "then play the sequence back.";

// The text of the Instructions dialog: lines ended by CR LF, shown in a read-only
// multi-line edit box, which starts a new line at each CR LF and wraps long ones.
constexpr char kHelpText[] =
    "The Game of Rudoz\r\n"
    "\r\n"
    "Rudoz is a memory game.  The computer will flash a sequence of squares, then you must "
    "play it back.  If you succeed, the sequence is extended.\r\n"
    "\r\n"
    "First, choose the board and skill you wish to play: choose \"Level\"from the Game menu, "
    "or press F3.  There are 7 boards and 12 skill levels: each board adds more squares into "
    "the playing board, the higher the skill, the longer the target sequence length.\r\n"
    "\r\n"
    "To start the game choose \"New\" from the Game menu or press F2.\r\n"
    "\r\n"
    "The computer will flash one of the squares on the play board.  When finished, you must "
    "play it back.  You can use either the mouse or the keys on the keyboard (see below).  If "
    "you are successful, the computer will add a square to the end to make a sequence of two.  "
    "When the computer has played it, you play it back.  The computer will add another note "
    "... and so on.\r\n"
    "\r\n"
    "Play continues until either you make a mistake or you reach your target sequence length "
    "... thinking time is short.\r\n"
    "\r\n"
    "If you just want to play with the board rather than play a full game, choose the Free "
    "Play option.  This allows you to experiment with the board.  When you are ready, choose "
    "New Game to start.\r\n"
    "\r\n"
    "\r\n"
    "Playing Keys:\r\n"
    "\r\n"
    "If you want to use the computer keyboard for your moves, use the following keys:\r\n"
    "\r\n"
    "Board 1: 2 squares: DF\r\n"
    "Board 2: 4 squares: ER | DF\r\n"
    "Board 3: 6 squares: WER | SDF\r\n"
    "Board 4: 9 squares: WER | SDF | XCV\r\n"
    "Board 5: 12 squares: QWER | ASDF |  ZXCV\r\n"
    "Board 6: 16 squares: 1234 | QWER | ASDF | ZXCV\r\n"
    "Board 7: 20 squares: 12345 | QWERT | ASDFG | ZXCVB\r\n"
    "\r\n"
    "\r\n"
    "Zirirar Aduzo 1.03\r\n";
