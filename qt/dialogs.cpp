#include "qt/dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/tables.h"
#include "resources/embedded_files.h"
#include "resources/help_text.h"
#include "resources/ui_texts.h"
#include "rules/commands.h"

// The Windows program's icon file, built in (qt/CMakeLists.txt).
extern const EmbeddedFile kEmbeddedIcons[];

namespace {

QString Text(const char* latin1) { return QString::fromLatin1(latin1); }

QComboBox* NewList(QWidget* parent, const char* name, int count, int current,
                   void (*entry)(int16_t, char (&)[kLevelEntryCapacity])) {
  QComboBox* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  char text[kLevelEntryCapacity];
  for (int16_t i = 0; i < count; ++i) {
    entry(i, text);
    list->addItem(Text(text));
  }
  list->setCurrentIndex(current);
  return list;
}

int16_t ChosenIndex(const QDialog* dialog, const char* name) {
  const QComboBox* list = dialog->findChild<QComboBox*>(QString::fromLatin1(name));
  return static_cast<int16_t>(list != nullptr ? list->currentIndex() : -1);
}

// OK or Fermer as the default button, Annuler beside OK.
QDialogButtonBox* NewButtons(QDialog* dialog, bool withOk) {
  QDialogButtonBox* buttons = new QDialogButtonBox(dialog);
  if (withOk) {
    QPushButton* ok = buttons->addButton(Text(TEXT_OK), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(Text(TEXT_CANCEL), QDialogButtonBox::RejectRole);
  } else {
    buttons->addButton(Text(TEXT_CLOSE), QDialogButtonBox::RejectRole)->setDefault(true);
  }
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

QIcon GameIcon() {
  QPixmap image;
  image.loadFromData(kEmbeddedIcons[0].bytes, static_cast<uint>(kEmbeddedIcons[0].size), "ICO");
  return QIcon(image);
}

QDialog* NewLevelDialog(QWidget* parent, int16_t board, int16_t skill) {
  QDialog* dialog = new QDialog(parent);
  dialog->setWindowTitle(Text(TEXT_LEVEL_CAPTION));
  QLabel* prompt = new QLabel(Text(TEXT_LEVEL_PROMPT), dialog);
  prompt->setWordWrap(true);
  QFormLayout* lists = new QFormLayout;
  // The focus starts on the board list, the first control that takes it.
  lists->addRow(Text(TEXT_LEVEL_BOARD),
                NewList(dialog, kBoardListName, kBoardCount, board, &BoardEntry));
  lists->addRow(Text(TEXT_LEVEL_SKILL),
                NewList(dialog, kSkillListName, kSkillCount, skill, &SkillEntry));
  QVBoxLayout* layout = new QVBoxLayout(dialog);
  layout->addWidget(prompt);
  layout->addLayout(lists);
  layout->addWidget(NewButtons(dialog, true));
  return dialog;
}

int16_t ChosenBoard(const QDialog* levelDialog) { return ChosenIndex(levelDialog, kBoardListName); }
int16_t ChosenSkill(const QDialog* levelDialog) { return ChosenIndex(levelDialog, kSkillListName); }

QDialog* NewInstructionsDialog(QWidget* parent) {
  QDialog* dialog = new QDialog(parent);
  dialog->setWindowTitle(Text(TEXT_INSTRUCTIONS_CAPTION));
  QPlainTextEdit* text = new QPlainTextEdit(dialog);
  text->setObjectName(QString::fromLatin1(kHelpBoxName));
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // The text's lines end in CR LF, as a Windows edit box takes them.
  text->setPlainText(Text(kHelpText).remove(QLatin1Char('\r')));
  text->moveCursor(QTextCursor::Start);
  QVBoxLayout* layout = new QVBoxLayout(dialog);
  layout->addWidget(text);
  layout->addWidget(NewButtons(dialog, false));
  dialog->resize(600, 400);
  return dialog;
}

QDialog* NewAboutBox(QWidget* parent) {
  QMessageBox* box = new QMessageBox(parent);
  box->setWindowTitle(Text(kAboutCaption));
  box->setText(Text(kAboutText));
  box->setIconPixmap(GameIcon().pixmap(32, 32));
  box->setStandardButtons(QMessageBox::Ok);
  return box;
}
