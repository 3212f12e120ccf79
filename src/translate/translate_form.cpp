#include "translate/translate_form.h"

#include <vector>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/std_controls.h"
#include "translate/catalogue_win32.h"

namespace {

// Labels first, then push buttons, then check boxes: the kinds whose texts are translated.
bool HasTranslatedTexts(TControl* control) {
  return dynamic_cast<TLabel*>(control) || dynamic_cast<TButton*>(control) ||
         dynamic_cast<TCheckBox*>(control);
}

}  // namespace

void TranslateForm(TForm& form, TCatalogues& catalogues) {
  form.SetCaption(TranslateText(form.Caption(), catalogues.Forms));
  // A copy: a caption change must not disturb the walk, whatever a control does on it.
  const std::vector<TComponent*> owned = form.Components();
  for (TComponent* component : owned) {
    auto* control = dynamic_cast<TControl*>(component);
    if (!control || control->Tag == 1 || !HasTranslatedTexts(control)) continue;
    control->SetCaption(TranslateText(control->Caption(), catalogues.Forms));
    control->SetHint(TranslateText(control->Hint(), catalogues.Hints));
  }
}

void TranslateForm(TForm& form) {
  if (Application && Application->Catalogues()) TranslateForm(form, *Application->Catalogues());
}
