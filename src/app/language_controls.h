#pragma once
// The four language lists of the "Additional Software Switch" tab as a LanguageState, and back.
// The lists are the authoritative state; the core's rules act on the state read from them.
#include "model/language_settings.h"

struct WindowLayout;

// Fills the four lists with their fixed entries (nothing selected).
void FillLanguageControls(const WindowLayout& ui);
kestrova::LanguageState ReadLanguageControls(const WindowLayout& ui);
// Shows a state; signals of the lists are blocked so no change handler runs.
void ShowLanguageControls(const WindowLayout& ui, const kestrova::LanguageState& state);
