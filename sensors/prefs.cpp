#include "sensors/prefs.h"
#include "common/log.h"

namespace rv {

void GetPrefs(AppState& st)
{
    try {
        store::Recordset rs;
        rs.open("SELECT Prefs.* FROM Prefs;", *st.conn);
        rs.moveFirst();
        st.prefs.MineID = rs.text("MineID");
        st.prefs.MaxY = rs.text("MaxY");
        st.prefs.MinY = rs.text("MinY");
        st.prefs.MinX = rs.text("MinX");
        st.prefs.MaxX = rs.text("MaxX");
        rs.close();
    } catch (...) {
        logCurrentException(st.DataFolder, "Module1_GetPrefs");
    }
}

} // namespace rv
