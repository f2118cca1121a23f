#include "graphs/ui_graphs.h"

namespace rv::graphs {

void wireGraphPages(MainContext&, QObject*)
{
}

} // namespace rv::graphs
