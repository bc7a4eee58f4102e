// Run-time translation of the program's texts. German texts are the keys; a
// dictionary file "dictionary.<language>.tsv" in the data folder holds one
// "German<TAB>Translation" pair a line ("#" starts a comment line). Without
// a dictionary the texts show as they stand.
#pragma once

#include <string>

namespace torvacalc {

// Selects the language and loads its dictionary from the data folder.
// "de" (the texts' own language) clears the dictionary. Returns false when
// the dictionary of another language could not be read; the texts then show
// untranslated.
bool SetLanguage(const std::string& language);

// Loads a dictionary file, replacing the current one; false when unreadable.
bool LoadDictionary(const std::string& path);
void ClearDictionary();
// Counts the dictionary loads and clears: a text translated earlier may read
// otherwise once this number changed.
unsigned DictionaryGeneration();

// The translation of a German text, or the text itself.
std::string Translate(const std::string& german);
// Whether `text` is Translate(german), without copying the translation.
bool IsTranslation(const std::string& german, const std::string& text);

// The translation of a German text into `language` ("de" gives the text
// itself), whichever language is selected; the dictionary is read once.
// Input in either language (a switch item typed in English while the
// program speaks German) is matched through it.
std::string TranslateInto(const std::string& german, const std::string& language);

}  // namespace torvacalc
