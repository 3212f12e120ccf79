#pragma once
// The setup dialog: edits the magnifier's settings and its seven hotkeys in place in the
// MagnifierState. It reads the state when shown and writes it back only on OK; it never
// touches the registry. Made for one modal run:
//   auto* dlg = CreateForm<Tfrmzoomsetup>(owner, state); dlg->ShowModal(); delete dlg;

#include <windows.h>

#include "app/magnifier_state.h"
#include "desktop/rx_label.h"
#include "toolkit/form.h"
#include "toolkit/std_controls.h"

class Tfrmzoomsetup : public TForm {
 public:
  Tfrmzoomsetup(TComponent* owner, MagnifierState& state);
  ~Tfrmzoomsetup() override;

  // Top panel: zoom and transparency sliders and the window options.
  TPanel* Panel1;
  TRxLabel* lzoom;
  TTrackBar* szoom;
  TLabel* Label2;
  TTrackBar* tbtransparent;
  TCheckBox* cbmovewindow;
  TCheckBox* cbshowcross;
  TCheckBox* cbshowcaption;
  TCheckBox* cbstayontop;
  TCheckBox* cbshowposition;

  // Shortcut panel: one label and hot-key editor per hotkey.
  TPanel* Panel2;
  TRxLabel* RxLabel2;
  TLabel* Label3;
  THotKeyEdit* hksetup;
  TLabel* Label1;
  THotKeyEdit* hkshowhide;
  TLabel* Label4;
  THotKeyEdit* hkzoom;
  TLabel* Label5;
  THotKeyEdit* hksize;
  TLabel* Label6;
  THotKeyEdit* hktransparent;
  TLabel* Label7;
  THotKeyEdit* hkclipboard;
  TLabel* Label8;
  THotKeyEdit* hkfile;

  // Button panel.
  TPanel* Panel3;
  TButton* bok;
  TButton* bcancel;
  TPanel* Panel5;

  // Raised by the "About..." panel; the owner opens the about box over the dialog.
  TNotifyEvent OnAbout;

  void FormCreate(TComponent* sender);
  void FormShow(TComponent* sender);
  void ChangeGeneral(TComponent* sender);
  void bokClick(TComponent* sender);
  void bcancelClick(TComponent* sender);
  void Panel5Click(TComponent* sender);

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void CreateControls();
  void LayoutTopPanel();
  void LayoutShortcutPanel();
  void LayoutButtonPanel();

  MagnifierState& state_;
  bool initialising_ = false;
  HWND last_focus_ = nullptr;
};
