#pragma once
// Tells everyone who shows the link (the main window's connection panel, frmLanSet) that it
// was made, ended or lost. Each view then reads gLinkMode and the socket and shows them, so
// two windows never hold two different ideas of which link is current.

#include <functional>
#include <map>

class LinkNotifier {
public:
    using Listener = std::function<void()>;

    // Returns the id that unsubscribe takes.
    int subscribe(Listener listener)
    {
        listeners_.emplace(++lastId_, std::move(listener));
        return lastId_;
    }
    void unsubscribe(int id) { listeners_.erase(id); }

    void notify()
    {
        // A listener may unsubscribe (a dialog closing): call a copy.
        auto listeners = listeners_;
        for (auto& [id, listener] : listeners)
            listener();
    }

private:
    std::map<int, Listener> listeners_;
    int lastId_ = 0;
};
