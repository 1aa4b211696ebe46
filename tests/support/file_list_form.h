// SPDX-License-Identifier: Apache-2.0
#pragma once
// The four controls the file list works on, on a form of their own, as the
// window creates them: the list, Full Path ticked, Add files clear, and
// Print disabled until a file is listed; all but Full Path take drops.
#include "filelist/file_list.h"
#include "platform/window/window.h"

namespace testsupport {

class FileListForm {
 public:
  FileListForm() { form.FinishCreation(); }

  filelist::FileListControls Controls() { return {form, list_file, chk_full_path, chk_add, but_out}; }

  platform::Form form{"Torvane", 9075, 4005, platform::FontSpec{"Arial"}};
  platform::ListBox& list_file = platform::As<platform::ListBox>(form.Create(
      {.kind = platform::ControlKind::ListBox, .name = "List_File", .width = 8775, .height = 1425,
       .drop_target = true}));
  platform::CheckBox& chk_full_path = platform::As<platform::CheckBox>(form.Create(
      {.kind = platform::ControlKind::CheckBox, .name = "Chk_FullPath", .caption = "Full Path", .width = 1575,
       .height = 255, .value = 1}));
  platform::CheckBox& chk_add = platform::As<platform::CheckBox>(form.Create(
      {.kind = platform::ControlKind::CheckBox, .name = "Chk_add", .caption = "Add files", .width = 1575,
       .height = 255, .drop_target = true}));
  platform::CommandButton& but_out = platform::As<platform::CommandButton>(form.Create(
      {.kind = platform::ControlKind::CommandButton, .name = "But_Out", .caption = "Print", .width = 1575,
       .height = 375, .enabled = false, .drop_target = true}));
};

}  // namespace testsupport
