#include "components_page.h"

void FillComponentsPage(HWND page, const wchar_t* const* names) {
  for (uint32_t k = 0; k < kComponentCount; ++k) {
    SetDlgItemTextW(page, ComponentCheckBox(k), names[k]);
    CheckDlgButton(page, ComponentCheckBox(k), BST_CHECKED);
  }
}

ComponentSelection SelectedComponents(HWND page) {
  ComponentSelection selection = 0;
  for (uint32_t k = 0; k < kComponentCount; ++k) {
    if (IsDlgButtonChecked(page, ComponentCheckBox(k)) == BST_CHECKED) selection |= 1u << k;
  }
  return selection;
}
