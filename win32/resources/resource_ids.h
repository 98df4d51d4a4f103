// The dialogs' control identifiers, shared by the resource script and the code.
#pragma once

#define IDC_BOARD 640
#define IDC_SKILL 642
#define IDC_INSTRUCTIONS 658
