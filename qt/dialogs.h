// The game's three dialogs, with the texts of the Windows game: Level (two drop-down
// lists, OK, Annuler), Instructions (the help text, read-only, wrapped, opening at its
// first line) and About (its text and the game's icon). Each is made here and shown by
// the window, which does not wait for it.
#pragma once

#include <QIcon>
#include <cstdint>

class QDialog;
class QWidget;

// The game's icon, from the same image as the Windows program's.
QIcon GameIcon();

// The Level dialog, its lists at the current board and skill; when accepted, the
// positions chosen are the new board and skill indices.
QDialog* NewLevelDialog(QWidget* parent, int16_t board, int16_t skill);
int16_t ChosenBoard(const QDialog* levelDialog);
int16_t ChosenSkill(const QDialog* levelDialog);

QDialog* NewInstructionsDialog(QWidget* parent);
QDialog* NewAboutBox(QWidget* parent);

// Object names by which the controls are found (tests do).
inline constexpr char kBoardListName[] = "board";
inline constexpr char kSkillListName[] = "skill";
inline constexpr char kHelpBoxName[] = "instructions";
