#include "app/kel_prn_print.h"

#include <chrono>
#include <iostream>

#include "app/control_inventory.h"
#include "app/setting_text.h"
#include "platform/path_name.h"
#include "platform/run_time_error.h"
#include "platform/version.h"
#include "printing/printer_list.h"
#include "printing/progress_text.h"

namespace app {

namespace {

// The longest the window waits for the printer list before it appears.
constexpr std::chrono::seconds kListingWait{5};

// Creates the window's controls on `form`, in creation order, and returns it.
platform::Form& Compose(platform::Form& form) {
  for (const auto& design : ControlInventory()) form.Create(design);
  form.FinishCreation();
  return form;
}

}  // namespace

std::string VersionNumber() {
  return std::to_string(platform::kVersionMajor) + "." + std::to_string(platform::kVersionMinor) + "." +
         std::to_string(platform::kVersionRevision);
}

std::string WindowCaption() { return std::string(kAppName) + "   (Ver." + VersionNumber() + ")"; }

bool CoordinateFitsScreen(std::int32_t value, float screen_twips) {
  return value >= 1 && value < static_cast<double>(screen_twips) * 0.8;
}

KelPrnPrint::KelPrnPrint(Services services)
    : services_(services),
      form_(kStartCaption, kInnerWidth, kInnerHeight, WindowFont()),
      Pict_Progress(Compose(form_).Named<platform::PictureBox>("Pict_Progress")),
      Lb_per{&form_.Named<platform::Label>("Lb_per", 0), &form_.Named<platform::Label>("Lb_per", 1)},
      Chk_FullPath(form_.Named<platform::CheckBox>("Chk_FullPath")),
      Chk_add(form_.Named<platform::CheckBox>("Chk_add")),
      But_Clear(form_.Named<platform::CommandButton>("But_Clear")),
      But_End(form_.Named<platform::CommandButton>("But_End")),
      List_File(form_.Named<platform::ListBox>("List_File")),
      List_printer(form_.Named<platform::ListBox>("List_printer")),
      But_Out(form_.Named<platform::CommandButton>("But_Out")),
      Label2(form_.Named<platform::Label>("Label2")),
      Label1{&form_.Named<platform::Label>("Label1", 0), &form_.Named<platform::Label>("Label1", 1),
             &form_.Named<platform::Label>("Label1", 2)},
      Lb_Bar(form_.Named<platform::Label>("Lb_Bar")),
      files_({form_, List_File, Chk_FullPath, Chk_add, But_Out}, [this] { ResetProgress(); }),
      follower_(services_.spooler, closing_, &platform::ShowMessage),
      job_({[this](std::size_t index, const std::string& path, bool selected) { MarkJobLine(index, path, selected); },
            [this](std::int64_t done, std::int64_t total) { printing::ShowProgress(Progress(), done, total); },
            [this](bool enabled) { But_Out.SetEnabled(enabled); }, &platform::ShowMessage,
            [this] { Lb_Bar.SetScreenReaderDescription(printing::kAllSentText); },
            [this](std::vector<printing::SentDocument> sent) { follower_.Follow(std::move(sent)); }},
           closing_) {
  form_.SetProgramIcon();
  form_.SetMinimumSize(kMinimumOuterTwips, kMinimumOuterTwips);
  form_.OnResize([this] { Form_Resize(); });
  form_.OnQueryUnload([this] { Form_QueryUnload(); });
  But_End.OnClick([this] { But_End_Click(); });
  But_Out.OnClick([this] { But_Out_Click(); });
  But_Clear.OnClick([this] { files_.But_Clear_Click(); });
  Chk_FullPath.OnClick([this] { files_.Chk_FullPath_Click(); });
  List_File.OnClick([this] { files_.List_File_Click(); });
  List_File.OnDeleteKey([this] { files_.List_File_DeleteKey(); });
  // Every drop target, and the window itself, takes dropped files alike.
  const auto take = [this](const std::vector<std::string>& paths) { TakeDroppedFiles(paths); };
  form_.OnDrop(take);
  for (platform::Control* control : form_.Controls()) {
    if (control->DropTarget()) control->OnDrop(take);
  }
  // Files chosen (Ctrl+O) or pasted (Ctrl+V) come in as a drop does.
  form_.OnFilesFromKeyboard(take);
  // Screen readers: each list is named by its heading, and the progress
  // display is one progress bar; the fill and both percentage texts only
  // draw it.
  Label1[1]->Heads(List_File);
  Label1[0]->Heads(List_printer);
  Lb_Bar.PresentAsProgressBar("Progress");
  Pict_Progress.HideFromScreenReaders();
  Lb_per[1]->HideFromScreenReaders();
}

KelPrnPrint::~KelPrnPrint() { closing_ = true; }

void KelPrnPrint::Form_Load() {
  layout_ = LayoutTables{};
  CaptureWindow(form_, layout_);
  ResetProgress();
  CaptureControls(form_, layout_);
  form_.SetCaption(WindowCaption());
  FillPrinterList();
  if (const auto* text = std::get_if<std::string>(&services_.command_line)) {
    files_.TakeCommandLineFiles(*text);
  } else {
    // Moved: with thousands of files, a second copy of their paths would
    // outweigh the list itself.
    files_.TakeCommandLinePaths(std::move(std::get<std::vector<std::string>>(services_.command_line)));
  }

  // From here a step that fails is skipped silently.
  platform::SkipOnError skip;
  skip.On();
  skip([&] { RestoreCoordinate("WinPosL", platform::ScreenWidth(), &platform::Form::SetLeft); });
  skip([&] { RestoreCoordinate("WinPosT", platform::ScreenHeight(), &platform::Form::SetTop); });
  skip([&] { RestoreCheckBox("PathDisp", Chk_FullPath); });
  skip([&] { RestoreCheckBox("AddFile", Chk_add); });
}

void KelPrnPrint::Show() {
  form_.Show();
  // The resize a window gets as it is first shown: the window opens no
  // lower than its minimum, so that maximizing and restoring it later come
  // back to this same size and layout.
  platform::RunHandler([this] { Form_Resize(); });
}

void KelPrnPrint::RestoreCoordinate(const char* key, float screen, void (platform::Form::*set)(double)) {
  const auto value = TextToInt32(services_.settings.Read(kAppName, kSection, key), UserNumberFormat());
  if (value && CoordinateFitsScreen(*value, screen)) (form_.*set)(*value);
}

void KelPrnPrint::RestoreCheckBox(const char* key, platform::CheckBox& box) {
  const auto value = TextToInt16(services_.settings.Read(kAppName, kSection, key), UserNumberFormat());
  // A value the box does not take (not 0, 1 or 2) fails, leaving the value it started with.
  if (value) box.SetValue(*value);
}

void KelPrnPrint::FillPrinterList() {
  // The default is the list's own selection index while it is still empty.
  const std::string saved =
      services_.settings.Read(kAppName, kSection, "ListIdx", std::to_string(List_printer.ListIndex()));
  // The window does not wait long for a silent print server: it opens
  // with an empty list, and the next start lists again.
  const auto give_up = std::chrono::steady_clock::now() + kListingWait;
  bool gave_up = false;
  const auto listing = services_.spooler.PrinterNames([&] {
    gave_up = gave_up || std::chrono::steady_clock::now() >= give_up;
    return gave_up;
  });
  printing::FillPrinterList(List_printer, listing.names, saved);
  // An empty list is told only when Print finds no printer chosen.
  // A print server that cannot be asked says nothing about the chosen
  // printer: closing then keeps the stored choice as it was read.
  if (!listing.listed.IsOk()) kept_printer_ = saved;
  if (listing.names.empty()) {
    const std::string why = gave_up ? "the print server did not answer within " +
                                          std::to_string(kListingWait.count()) + " s"
                                    : listing.listed.Reason();
    printer_list_failure_ = listing.listed.IsOk() ? "No printer is installed." : "The printers could not be listed: " + why;
  }
}

printing::ProgressControls KelPrnPrint::Progress() { return {*Lb_per[1], *Lb_per[0], Lb_Bar, Pict_Progress}; }

void KelPrnPrint::SetProgress(std::int64_t done, std::int64_t total) { printing::SetProgress(Progress(), done, total); }

void KelPrnPrint::TakeDroppedFiles(const std::vector<std::string>& paths) {
  files_.TakeDroppedFiles(paths);
  // Print stays disabled while a job runs: one job at a time.
  if (job_.Running()) But_Out.SetEnabled(false);
}

void KelPrnPrint::But_Out_Click() {
  if (job_.Running()) return;
  // The job sends the files listed now, whatever happens to the list meanwhile.
  printing::PrintRequest request;
  request.file_paths = files_.ListedPaths();
  request.printer_index = List_printer.ListIndex();
  if (request.printer_index >= 0) request.printer_name = List_printer.List(request.printer_index);
  request.printer_list_failure = printer_list_failure_;
  job_files_ = request.file_paths.size();
  // The spooler and the files are worked on a thread of their own; the
  // window stays live meanwhile.
  job_.Start(services_.spooler, std::move(request));
}

void KelPrnPrint::MarkJobLine(std::size_t index, const std::string& path, bool selected) {
  // Lines may have been cleared or replaced since the job began.
  const auto& paths = files_.FilePaths();
  const bool holds =
      index < static_cast<std::size_t>(List_File.ListCount()) && index < paths.size() && paths[index] == path;
  if (selected) {
    Lb_Bar.SetScreenReaderDescription(printing::FileUnderwayText(index + 1, job_files_, platform::FileNamePart(path)));
    List_File.SetListIndex(holds ? static_cast<int>(index) : -1);
  } else if (holds) {
    List_File.SetSelected(static_cast<int>(index), false);
  }
}

void KelPrnPrint::Form_QueryUnload() {
  // A running job stops after its current chunk, or within a second when it
  // waits on the spooler, and cancels the document in hand; the window's
  // end waits for it. Past jobs' documents are no longer followed.
  closing_ = true;
  const NumberFormat format = UserNumberFormat();
  const int selected = List_printer.ListIndex();
  // One save: of two windows closing at once, the last one's five values
  // are kept, never some of each.
  try {
    services_.settings.SaveAll(
        kAppName, kSection,
        {{"WinPosL", SingleToText(form_.Left(), format)},
         {"WinPosT", SingleToText(form_.Top(), format)},
         {"ListIdx", kept_printer_ ? *kept_printer_ : selected >= 0 ? List_printer.List(selected) : std::string()},
         {"PathDisp", std::to_string(Chk_FullPath.Value())},
         {"AddFile", std::to_string(Chk_add.Value())}});
  } catch (const platform::RunTimeError& error) {
    // The user who closed is told (the handler's message box).
    if (!unattended_close_) throw;
    std::cerr << "torvane: the settings were not saved: " << error.Description() << '\n' << std::flush;
  }
}

void KelPrnPrint::Form_Resize() { app::Form_Resize(form_, layout_); }

void KelPrnPrint::But_End_Click() { form_.Unload(); }

void KelPrnPrint::CloseUnattended() {
  unattended_close_ = true;
  form_.Unload();
}

}  // namespace app
