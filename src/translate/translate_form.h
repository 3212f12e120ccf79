#pragma once
// Translating a form's texts: its title, and the captions and hints of the labels, push buttons
// and check boxes it owns, replaced by the catalogues' texts.

#include "translate/catalogue.h"

class TForm;

// Translates `form` in place against `catalogues`: the title and the captions through the forms
// catalogue, the hints through the hints catalogue. Each component the form owns is visited in
// ownership order; one whose Tag is 1 is left alone, as is any kind other than TLabel, TButton
// and TCheckBox (and kinds derived from them): panels, menus, other label families. The form's
// own hint stays.
void TranslateForm(TForm& form, TCatalogues& catalogues);

// The same against the program's catalogues (the application object's); without them, or
// without an application object, the form keeps its texts.
void TranslateForm(TForm& form);
