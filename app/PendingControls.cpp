#include "app/PendingControls.h"


namespace interim {

TdxDBGrid::TdxDBGrid(TComponent* AOwner) : TControl(AOwner, new QWidget) {}

}  // namespace interim
