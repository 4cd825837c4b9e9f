#pragma once
// The pictures of the dock image list: index 0 a tree outline (the explorer
// panel), index 1 a document (the lyric tab); the other ten are blank.

#include <QPixmap>

class TImageList;

QPixmap DockTreeIcon();
QPixmap DockDocumentIcon();

// Adds the twelve 16 x 16 dock images to an image list.
void FillDockIcons(TImageList* list);
