#pragma once
// The small icons of the folder tree: one list of icons from the desktop's icon
// theme, addressed by index, as the namespace names them ("folder",
// "user-home", ...). Names the theme lacks fall back to the style's icons.
// An icon is looked up in the theme when first drawn, not when indexed: the
// tree is built at start, hidden, and the theme's first lookup is slow.

#include <QIcon>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TShellImages {
public:
    // The process's list (a QApplication must exist).
    static TShellImages& System();

    // The index of a named icon, added on first use; -1 for an empty name.
    int IndexOf(const std::string& iconName);
    int Count() const { return static_cast<int>(FNames.size()); }
    // The icon at index, with the overlay icon drawn in its lower left corner
    // (overlay -1: none). An index out of range gives an empty icon.
    QIcon Icon(int index, int overlay = -1);

private:
    const QIcon& Resolved(int index);

    std::vector<std::string> FNames;
    std::vector<std::optional<QIcon>> FIcons;
    std::map<std::string, int> FIndexes;
    std::map<std::pair<int, int>, QIcon> FOverlaid;
};
