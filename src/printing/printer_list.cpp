#include "printing/printer_list.h"

#include "platform/window/control.h"

namespace printing {

void FillPrinterList(platform::ListBox& list, const std::vector<std::string>& names, const std::string& saved) {
  for (const std::string& name : names) {
    list.AddItem(name);
    if (name == saved) list.SetListIndex(list.NewIndex());
  }
}

}  // namespace printing
