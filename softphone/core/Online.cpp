#include "Online.h"

#include "AppContext.h"

namespace velmora::core {

bool isOnline(const AppContext& app) { return app.window.BtnOnline.caption() == "Offline"; }

void goOffline(AppContext& app) {
    auto& w = app.window;
    w.TimerTick.setEnabled(false);
    w.TimerProgressBar.setEnabled(false);
    w.SpkProgress.setValue(0);
    w.MicProgress.setValue(0);
    app.engine.ShutdownEngine();
    w.BtnOnline.setCaption("Online");
    w.EditTotalLine.setEnabled(true);
    w.ListAudioIn.clear();
    w.ListAudioOut.clear();
    w.ListViewLineStatus.clearRows();
    w.dialerOnDDE.setText("OFF");
    w.autoCheck.setEnabled(false);
}

}  // namespace velmora::core
