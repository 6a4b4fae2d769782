#pragma once
#include <string>

class MvDOMDocument;

// The text of the built-in settings used when Movara.xml is missing.
extern const char* const kDefaultSettingsText;

// The settings file beside the program: programDirectory + "\Movara.xml".
std::string settingsFilePath(const std::string& programDirectory);

// Loads the settings file into document when it exists as a file, otherwise
// the built-in default text. Nothing is written. Parser failures propagate.
void loadSettings(MvDOMDocument& document, const std::string& programDirectory);
