// The gallery's naming rules, without a widget: label-edit renames, Save As destinations and
// capture-ID folder names.
#pragma once

#include <QString>

namespace viewer {

// The extension of `name` from its last dot to the end, when no space or slash follows that dot;
// "" otherwise.
QString FileExtension(const QString& name);

enum class RenameVerdict {
    Unchanged,         // same text, case included: nothing to do
    Empty,             // "There is no file name."
    ExtensionChanged,  // "Cannot change the file extention"
    NameTaken,         // "Cannot rename ...: A file with the name you specified already exists."
    Allowed,
};

// The verdict on renaming `oldName` to `newText` inside `folder`, before the file itself is
// checked. Extensions compare without case; a name that exists in the folder in any case is taken,
// so a change of case alone is refused.
RenameVerdict CheckRename(const QString& folder, const QString& oldName, const QString& newText);

// "BMP" or "JPG" for names the gallery lists, "" otherwise.
QString SaveAsType(const QString& recordName);

// Where Save As writes: the chosen path with "." + type appended unless it already ends in that
// extension (compared without case).
QString SaveAsDestination(const QString& chosenPath, const QString& type);

// False for capture IDs that would name a folder outside the gallery folder or the folder itself:
// a slash or backslash, "..", or ".".
bool IsCaptureIdFolderName(const QString& captureId);

}  // namespace viewer
