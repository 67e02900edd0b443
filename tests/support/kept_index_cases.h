// One rule for the index that an upgrade keeps, the same in every example installer: the
// installed language.cfg's "File", as the profile functions read it (blanks around a value
// dropped), is kept when it is a plain decimal number naming a key of the new [ListNames];
// anything else leaves the new file's -2, and the recorded language is imported again.
// Each installer's upgrade test runs this table: the product is installed in German, the
// recorded language is then set to French (1036), "File" is written as `stored` (or
// removed), and an upgrade given no language installs tests/support/upgrade_language.cfg
// (entry 3 gone, last key 11). Kept and imported differ in every row: French is index 2,
// and no row keeps a 2.
#pragma once

namespace testsupport {

struct KeptIndexCase {
    const char* stored; // the raw value of "File" before the upgrade; nullptr: no "File"
    int after;          // "File" after the upgrade
};

constexpr int kImportedAgain = 2; // French, the recorded language, imported again

constexpr KeptIndexCase kKeptIndexCases[] = {
    {"9", 9},                // a key of the new list
    {"0", 0},                // the first key
    {"11", 11},              // the last key
    {" 9", 9},               // the profile functions drop the blanks around a value
    {"09", kImportedAgain},  // not a plain decimal number
    {"9x", kImportedAgain},  // nor this
    {"+9", kImportedAgain},  // nor this
    {"3", kImportedAgain},   // below the count of names, but the gap in the new list
    {"12", kImportedAgain},  // beyond the new list
    {"-1", kImportedAgain},  // none chosen
    {"-2", kImportedAgain},  // the import was still to come
    {"", kImportedAgain},    // empty
    {nullptr, kImportedAgain}, // no "File" at all
};

} // namespace testsupport
