// The components page: one check box per component, labelled with its name,
// and the selection read back from them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "install_steps.h"
#include "resource.h"

// The check box of component k.
constexpr int ComponentCheckBox(uint32_t component) { return IDC_COMPONENT_FIRST + int(component); }
static_assert(ComponentCheckBox(kComponentCount) == IDC_COMPONENT_SPARE, "the spare cell follows the components");

// Labels the check boxes with the components' names and ticks them all.
void FillComponentsPage(HWND page, const wchar_t* const* names);

// The components whose check box is ticked.
ComponentSelection SelectedComponents(HWND page);
