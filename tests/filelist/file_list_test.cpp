#include "filelist/file_list.h"

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filelist/display_form.h"
#include "platform/run_time_error.h"
#include "platform/window/window.h"
#include "support/file_list_form.h"
#include "support/list_lines.h"
#include "support/message_catcher.h"

namespace {

using platform::WindowState;
using Paths = std::vector<std::string>;

// Runs `action`, answering with OK every message box it shows; returns
// their texts.
std::vector<QString> AnswerMessages(const std::function<void()>& action) {
  testsupport::MessageCatcher catcher;
  action();
  for (const auto& message : catcher.Messages()) {
    EXPECT_EQ(message.title, "Torvane");
    EXPECT_TRUE(message.only_ok && message.no_icon);
  }
  return catcher.Texts();
}

Paths NumberedPaths(int count, const std::string& folder) {
  Paths paths;
  for (int i = 0; i < count; ++i) paths.push_back(folder + "/f" + std::to_string(i) + ".prn");
  return paths;
}

class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    controls_ = std::make_unique<testsupport::FileListForm>();
    form_ = &controls_->form;
    list_file_ = &controls_->list_file;
    chk_full_path_ = &controls_->chk_full_path;
    chk_add_ = &controls_->chk_add;
    but_out_ = &controls_->but_out;
    files_ = std::make_unique<filelist::FileList>(controls_->Controls(), [this] { ++resets_; });
    chk_full_path_->OnClick([this] { files_->Chk_FullPath_Click(); });
  }

  void TearDown() override {
    files_.reset();
    controls_.reset();
  }

  Paths Lines() const { return testsupport::Lines(*list_file_); }

  void Drop(const Paths& paths, bool add) {
    chk_add_->SetValue(add ? 1 : 0);
    files_->TakeDroppedFiles(paths);
  }

  std::unique_ptr<testsupport::FileListForm> controls_;
  platform::Form* form_ = nullptr;
  platform::ListBox* list_file_ = nullptr;
  platform::CheckBox* chk_full_path_ = nullptr;
  platform::CheckBox* chk_add_ = nullptr;
  platform::CommandButton* but_out_ = nullptr;
  std::unique_ptr<filelist::FileList> files_;
  int resets_ = 0;
};

const Paths kFive = {"/spool/a.prn", "/spool/b.prn", "/other/a.prn", "/spool/b.prn", "/spool/"};

TEST_F(FileListTest, LinesShowFullPathsOrFileNames) {
  Drop(kFive, false);
  EXPECT_EQ(Lines(), kFive);
  EXPECT_EQ(files_->ListedPaths(), kFive);

  chk_full_path_->SetValue(0);
  // Same names stay two lines, a folder path shows as an empty line, and
  // every line keeps its own full path.
  EXPECT_EQ(Lines(), (Paths{"a.prn", "b.prn", "a.prn", "b.prn", ""}));
  EXPECT_EQ(files_->ListedPaths(), kFive);
  EXPECT_EQ(list_file_->ListIndex(), -1);

  chk_full_path_->SetValue(1);
  EXPECT_EQ(Lines(), kFive);

  // New lines follow the setting in force when they arrive.
  chk_full_path_->SetValue(0);
  Drop({"/x/c.prn"}, true);
  EXPECT_EQ(Lines().back(), "c.prn");
}

TEST_F(FileListTest, RebuildWithoutLinesTouchesNothing) {
  // Before any file ever arrived there are no slots at all.
  ASSERT_TRUE(files_->FilePaths().empty());
  chk_full_path_->SetValue(0);
  chk_full_path_->SetValue(1);
  EXPECT_EQ(list_file_->ListCount(), 0);
  EXPECT_FALSE(but_out_->Enabled());
}

TEST_F(FileListTest, ClearEmptiesTheListAndDisablesPrint) {
  // Also on an empty list.
  files_->But_Clear_Click();
  EXPECT_FALSE(but_out_->Enabled());
  EXPECT_EQ(resets_, 1);

  Drop(kFive, false);
  ASSERT_TRUE(but_out_->Enabled());
  files_->But_Clear_Click();
  EXPECT_EQ(list_file_->ListCount(), 0);
  EXPECT_TRUE(files_->ListedPaths().empty());  // the slots stay, unlisted
  EXPECT_FALSE(but_out_->Enabled());
  EXPECT_EQ(resets_, 3);

  // The cleared paths do not come back with a rebuild.
  chk_full_path_->SetValue(0);
  chk_full_path_->SetValue(1);
  EXPECT_EQ(list_file_->ListCount(), 0);

  // Added files become lines 0 onward.
  Drop({"/n/x.prn", "/n/y.prn"}, true);
  EXPECT_EQ(Lines(), (Paths{"/n/x.prn", "/n/y.prn"}));
  EXPECT_EQ(files_->ListedPaths(), (Paths{"/n/x.prn", "/n/y.prn"}));
}

TEST_F(FileListTest, DropReplacesOrAppendsAsAddFilesSays) {
  const Paths two = {"/d/2.prn", "/d/1.prn"};
  const struct {
    bool add;
    Paths dropped;
    Paths listed;
  } cases[] = {
      {false, two, two},
      {true, two, {kFive[0], kFive[1], kFive[2], kFive[3], kFive[4], two[0], two[1]}},
      {false, {}, {}},
      {true, {}, kFive},
      // Nothing is merged or filtered.
      {true, {kFive[0]}, {kFive[0], kFive[1], kFive[2], kFive[3], kFive[4], kFive[0]}},
  };
  for (const auto& c : cases) {
    Drop(kFive, false);
    but_out_->SetEnabled(false);  // so that the drop must turn it on
    resets_ = 0;
    Drop(c.dropped, c.add);
    EXPECT_EQ(Lines(), c.listed) << c.add << " " << c.dropped.size();
    EXPECT_EQ(files_->ListedPaths(), c.listed) << c.add << " " << c.dropped.size();
    EXPECT_TRUE(but_out_->Enabled());
    EXPECT_EQ(resets_, 1);
  }
}

TEST_F(FileListTest, DropRestoresAMinimizedWindowOnly) {
  form_->Show();
  const struct {
    WindowState before, after;
  } cases[] = {
      {WindowState::Minimized, WindowState::Normal},
      {WindowState::Maximized, WindowState::Maximized},
      {WindowState::Normal, WindowState::Normal},
  };
  for (const auto& c : cases) {
    form_->SetState(c.before);
    ASSERT_EQ(form_->State(), c.before);
    Drop({"/d/a.prn"}, false);
    EXPECT_EQ(form_->State(), c.after);
    EXPECT_EQ(Lines(), Paths{"/d/a.prn"});
  }
}

TEST_F(FileListTest, DropPastTheLineLimitIsRefusedBeforeAnythingChanges) {
  form_->Show();
  Drop(NumberedPaths(filelist::kMaxListLines - 7, "/a"), false);
  const Paths before = Lines();
  const struct {
    bool add;
    int dropped;
    bool taken;
  } cases[] = {
      {true, 8, false},
      {false, filelist::kMaxListLines + 1, false},
      {true, 7, true},  // exactly full
      {false, filelist::kMaxListLines, true},
  };
  for (const auto& c : cases) {
    form_->SetState(WindowState::Minimized);
    but_out_->SetEnabled(false);
    resets_ = 0;
    const auto messages = AnswerMessages([&] { Drop(NumberedPaths(c.dropped, "/b"), c.add); });
    if (c.taken) {
      EXPECT_TRUE(messages.empty());
      EXPECT_EQ(list_file_->ListCount(), filelist::kMaxListLines);
      EXPECT_TRUE(but_out_->Enabled());
      EXPECT_EQ(form_->State(), WindowState::Normal);
      EXPECT_EQ(resets_, 1);
    } else {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_TRUE(messages[0].contains("at most 32767 files")) << messages[0].toStdString();
      EXPECT_EQ(Lines(), before);
      EXPECT_FALSE(but_out_->Enabled());
      EXPECT_EQ(form_->State(), WindowState::Minimized);
      EXPECT_EQ(resets_, 0);
    }
  }
}

TEST_F(FileListTest, AddFileItemNeedsItsSlotAndRoom) {
  try {
    files_->AddFileItem("/x.prn");
    FAIL() << "no slot";
  } catch (const platform::RunTimeError& error) {
    EXPECT_EQ(error.Number(), platform::kErrSubscriptOutOfRange);
  }
  EXPECT_EQ(list_file_->ListCount(), 0);

  // A full list from a drop, which leaves one spare slot.
  Drop(NumberedPaths(filelist::kMaxListLines, "/a"), false);
  ASSERT_GT(files_->FilePaths().size(), static_cast<std::size_t>(filelist::kMaxListLines));
  try {
    files_->AddFileItem("/x.prn");
    FAIL() << "no room";
  } catch (const platform::RunTimeError& error) {
    EXPECT_EQ(error.Number(), platform::kErrOverflow);
  }
  EXPECT_EQ(list_file_->ListCount(), filelist::kMaxListLines);
}

TEST_F(FileListTest, CommandLineAppendsEachArgument) {
  const struct {
    std::string text;
    int full_path;
    Paths lines;
    Paths listed;
  } cases[] = {
      {"", 1, {}, {}},
      {" a.prn", 1, {}, {}},
      {"/j/a.prn \"/j/b c.prn\"", 1, {"/j/a.prn", "/j/b c.prn"}, {"/j/a.prn", "/j/b c.prn"}},
      {"/j/a.prn \"/j/b c.prn\"", 0, {"a.prn", "b c.prn"}, {"/j/a.prn", "/j/b c.prn"}},
      {"a.prn  b.prn", 1, {"a.prn"}, {"a.prn"}},
  };
  for (const auto& c : cases) {
    TearDown();
    SetUp();
    chk_full_path_->SetValue(c.full_path);
    files_->TakeCommandLineFiles(c.text);
    EXPECT_EQ(Lines(), c.lines) << c.text;
    EXPECT_EQ(files_->ListedPaths(), c.listed) << c.text;
    EXPECT_EQ(but_out_->Enabled(), !c.lines.empty()) << c.text;
    EXPECT_EQ(resets_, 0) << c.text;
    if (c.text.empty()) {
      EXPECT_TRUE(files_->FilePaths().empty());
    }
  }
}

TEST_F(FileListTest, CommandLinePastTheLineLimitIsRefused) {
  Paths many = NumberedPaths(filelist::kMaxListLines + 1, "/a");
  std::string text;
  for (const auto& path : many) text += path + " ";
  const auto messages = AnswerMessages([&] { files_->TakeCommandLineFiles(text); });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].contains("at most 32767 files")) << messages[0].toStdString();
  EXPECT_EQ(list_file_->ListCount(), 0);
  EXPECT_FALSE(but_out_->Enabled());
}

}  // namespace
