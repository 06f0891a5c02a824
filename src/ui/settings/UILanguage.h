#pragma once

// The interface language, kept under "ui_language" in the configuration
// store: "default" for the system's language or a toolkit canonical name.

// The language to initialise the locale with; asks the user when nothing
// is stored yet (first run).
int GetUILanguage();

// Asks the user to pick one of the interface languages; returns its toolkit
// language id, or wxLANGUAGE_UNKNOWN when the user cancels.
int ChooseUILanguage();

// Stores a choice from ChooseUILanguage(); ignores wxLANGUAGE_UNKNOWN.
void SaveUILanguage(int language);
