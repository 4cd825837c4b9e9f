#include "app/qivTrackBar.h"

TqivTrackBar::TqivTrackBar(TComponent* AOwner)
    : TTrackBar(AOwner), onMouseDown(OnMouseDown), onMouseUp(OnMouseUp)
{
}
