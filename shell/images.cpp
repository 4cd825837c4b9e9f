#include "shell/images.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

QIcon Fallback(const std::string& name)
{
    QStyle* style = QApplication::style();
    if (!style)
        return {};
    if (name == "computer")
        return style->standardIcon(QStyle::SP_ComputerIcon);
    if (name == "user-desktop")
        return style->standardIcon(QStyle::SP_DesktopIcon);
    if (name == "user-home")
        return style->standardIcon(QStyle::SP_DirHomeIcon);
    if (name.rfind("drive-", 0) == 0)
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    if (name == "folder-remote")
        return style->standardIcon(QStyle::SP_DriveNetIcon);
    if (name == "folder-open")
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    if (name == "text-x-generic")
        return style->standardIcon(QStyle::SP_FileIcon);
    if (name.rfind("emblem-", 0) == 0)
        return style->standardIcon(QStyle::SP_FileLinkIcon);
    return style->standardIcon(QStyle::SP_DirIcon);
}

}  // namespace

TShellImages& TShellImages::System()
{
    static TShellImages images;
    return images;
}

int TShellImages::IndexOf(const std::string& iconName)
{
    if (iconName.empty())
        return -1;
    if (const auto found = FIndexes.find(iconName); found != FIndexes.end())
        return found->second;
    const int index = Count();
    FNames.push_back(iconName);
    FIcons.emplace_back();
    FIndexes.emplace(iconName, index);
    return index;
}

const QIcon& TShellImages::Resolved(int index)
{
    std::optional<QIcon>& icon = FIcons[static_cast<std::size_t>(index)];
    if (!icon) {
        const std::string& name = FNames[static_cast<std::size_t>(index)];
        icon = QIcon::fromTheme(QString::fromStdString(name));
        if (icon->isNull())
            icon = Fallback(name);
    }
    return *icon;
}

QIcon TShellImages::Icon(int index, int overlay)
{
    if (index < 0 || index >= Count())
        return {};
    if (overlay < 0 || overlay >= Count())
        return Resolved(index);
    const auto key = std::make_pair(index, overlay);
    if (const auto found = FOverlaid.find(key); found != FOverlaid.end())
        return found->second;
    QIcon combined;
    for (const int size : {16, 22, 32}) {
        QPixmap pixmap = Resolved(index).pixmap(size, size);
        if (pixmap.isNull())
            continue;
        QPainter painter(&pixmap);
        const int mark = size / 2;
        painter.drawPixmap(0, size - mark, Resolved(overlay).pixmap(mark, mark));
        painter.end();
        combined.addPixmap(pixmap);
    }
    FOverlaid.emplace(key, combined);
    return combined;
}
