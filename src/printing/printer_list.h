// SPDX-License-Identifier: Apache-2.0
#pragma once
// The printer list: the installed printers' device names, filled once at
// start-up, with the printer chosen last time selected again.
#include <string>
#include <vector>

namespace platform {
class ListBox;
}

namespace printing {

// Appends `names` in the order given and selects an entry whose name equals
// `saved` exactly, with case; should several match, the last one.
void FillPrinterList(platform::ListBox& list, const std::vector<std::string>& names, const std::string& saved);

}  // namespace printing
