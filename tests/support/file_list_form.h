#pragma once
// The four controls the file list works on, on a form of their own, as the
// window creates them: the list, Full Path ticked, Add files clear, and
// Print disabled until a file is listed.
#include "filelist/file_list.h"
#include "platform/window.h"

namespace testsupport {

class FileListForm {
 public:
  FileListForm()
      : form("Torvane", 9075, 4005, platform::FontSpec{"Arial"}),
        list_file(form.CreateAs<platform::ListBox>(Design(platform::ControlKind::ListBox, "List_File", "", 0, true))),
        chk_full_path(form.CreateAs<platform::CheckBox>(
            Design(platform::ControlKind::CheckBox, "Chk_FullPath", "Full Path", 1, true))),
        chk_add(form.CreateAs<platform::CheckBox>(
            Design(platform::ControlKind::CheckBox, "Chk_add", "Add files", 0, true))),
        but_out(form.CreateAs<platform::CommandButton>(
            Design(platform::ControlKind::CommandButton, "But_Out", "Print", 0, false))) {
    form.FinishCreation();
  }

  filelist::FileListControls Controls() { return {form, list_file, chk_full_path, chk_add, but_out}; }

  platform::Form form;
  platform::ListBox& list_file;
  platform::CheckBox& chk_full_path;
  platform::CheckBox& chk_add;
  platform::CommandButton& but_out;

 private:
  // Each control at the list's designed place (the others' places do not
  // matter to the list); all but Full Path take drops, as in the window.
  static platform::ControlSpec Design(platform::ControlKind kind, const char* name, const char* caption, int value,
                                      bool enabled) {
    platform::ControlSpec design;
    design.kind = kind;
    design.name = name;
    design.caption = caption;
    design.value = value;
    design.enabled = enabled;
    design.drop_target = design.name != "Chk_FullPath";
    design.left = 120;
    design.top = 300;
    design.width = 8775;
    design.height = 1425;
    return design;
  }
};

}  // namespace testsupport
