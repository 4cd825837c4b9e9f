#pragma once
// The small icons of the folder tree: one list of icons from the desktop's icon
// theme, addressed by index, as the namespace names them ("folder",
// "user-home", ...). Names the theme lacks fall back to the style's icons.

#include <QIcon>
#include <map>
#include <string>
#include <vector>

class TShellImages {
public:
    // The process's list (a QApplication must exist).
    static TShellImages& System();

    // The index of a named icon, added on first use; -1 for an empty name.
    int IndexOf(const std::string& iconName);
    int Count() const { return static_cast<int>(FIcons.size()); }
    // The icon at index, with the overlay icon drawn in its lower left corner
    // (overlay -1: none). An index out of range gives an empty icon.
    QIcon Icon(int index, int overlay = -1);

private:
    std::vector<QIcon> FIcons;
    std::map<std::string, int> FIndexes;
    std::map<std::pair<int, int>, QIcon> FOverlaid;
};
