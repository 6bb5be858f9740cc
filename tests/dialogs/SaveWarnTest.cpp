#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "dialogs/SaveWarn.h"

using namespace migwiz;
using namespace migwiz::dialogs;

namespace {

struct Answer {
  int result;
  bool dontAsk;
  int shown = 0;
  std::string question{}, note{}, caption{};
};

bool Ask(platform::TMemIniFile& store, bool project, bool restore, Answer& answer) {
  TSaveWarnEnvironment env;
  env.store = &store;
  env.exec = [&answer](TSaveWarnForm& form) {
    ++answer.shown;
    answer.question = form.lblWarn->text().toStdString();
    answer.note = form.lblNote->text().toStdString();
    answer.caption = form.windowTitle().toStdString();
    form.chkDontAsk->setChecked(answer.dontAsk);
    return answer.result;
  };
  return ShowSaveWarn("BDE Migration Wizard", project, restore, env);
}

}  // namespace

TEST(SaveWarn, TextsPerKindOfRun) {
  struct Case { bool project, restore; const char* value; const char* note; const char* question; } cases[] = {
      {true, false, "ReplaceProjWarn", "Project forms will be hidden.", "Current project will be saved. Continue?"},
      {true, true, "RestoreProjWarn", "Current project will be closed.", "Old files will be restored from backup. Continue?"},
      {false, false, "ReplaceDirWarn", "Current project will be closed.", "Current project will be saved. Continue?"},
      {false, true, "RestoreDirWarn", "Current project will be closed.", "Old files will be restored from backup. Continue?"},
  };
  for (const auto& c : cases) {
    platform::TMemIniFile store;
    Answer no{TSaveWarnForm::mrNo, true};
    EXPECT_FALSE(Ask(store, c.project, c.restore, no));
    EXPECT_EQ(no.note, c.note);
    EXPECT_EQ(no.question, c.question);
    EXPECT_EQ(no.caption, "BDE Migration Wizard");
    EXPECT_FALSE(store.ValueExists("BDE Migration Wizard", c.value));  // No writes nothing
    EXPECT_EQ(SaveWarnValueName(c.project, c.restore), c.value);
  }
}

TEST(SaveWarn, DontAskAgainIsKeptPerKind) {
  platform::TMemIniFile store;
  Answer yes{TSaveWarnForm::mrYes, false};
  EXPECT_TRUE(Ask(store, false, true, yes));
  EXPECT_TRUE(store.ReadBool("BDE Migration Wizard", "RestoreDirWarn", false));
  Answer closed{QDialog::Rejected, true};  // the close box or Esc: as No
  EXPECT_FALSE(Ask(store, false, true, closed));
  Answer yesTicked{TSaveWarnForm::mrYes, true};
  EXPECT_TRUE(Ask(store, false, true, yesTicked));
  EXPECT_FALSE(store.ReadBool("BDE Migration Wizard", "RestoreDirWarn", true));
  Answer never{TSaveWarnForm::mrNo, false};
  EXPECT_TRUE(Ask(store, false, true, never));  // not asked any more
  EXPECT_EQ(never.shown, 0);
  Answer replace{TSaveWarnForm::mrNo, false};
  EXPECT_FALSE(Ask(store, true, false, replace));  // another kind still asks
  EXPECT_EQ(replace.shown, 1);
}

TEST(SaveWarn, KeysOfTheDialog) {
  TSaveWarnForm form;
  EXPECT_TRUE(form.OKBtn->isDefault());
  EXPECT_EQ(form.OKBtn->text(), "&Yes");
  EXPECT_EQ(form.CancelBtn->text(), "&No");
  EXPECT_EQ(form.chkDontAsk->text(), "&Don't ask me this again");
  form.show();
  QTest::keyClick(&form, Qt::Key_Return);
  EXPECT_EQ(form.result(), TSaveWarnForm::mrYes);
  form.show();
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(SaveWarn, EnterAnswersTheFocusedButton) {
  TSaveWarnForm form;
  form.show();
  form.CancelBtn->setFocus();
  QTest::keyClick(form.CancelBtn, Qt::Key_Return);
  EXPECT_EQ(form.result(), TSaveWarnForm::mrNo);
  form.show();
  form.OKBtn->setFocus();
  QTest::keyClick(form.OKBtn, Qt::Key_Return);
  EXPECT_EQ(form.result(), TSaveWarnForm::mrYes);
  form.show();
  form.chkDontAsk->setFocus();  // not a button: Enter answers Yes
  QTest::keyClick(form.chkDontAsk, Qt::Key_Return);
  EXPECT_EQ(form.result(), TSaveWarnForm::mrYes);
}

TEST(SaveWarn, EveryQuestionAndNoteFits) {
  for (bool restore : {false, true}) {
    for (bool project : {false, true}) {
      TSaveWarnForm form;
      form.SetTexts(QString::fromUtf8(SaveWarnQuestion(restore)), QString::fromUtf8(SaveWarnNote(project, restore)));
      for (QLabel* label : {form.lblWarn, form.lblNote}) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        EXPECT_GE(label->width(), needed) << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), form.width()) << label->text().toStdString();
      }
      EXPECT_GE(form.width(), 302);
    }
  }
}
