// Delivers one parameter to every registered receiver.
#pragma once

#include "ReceiverImpl.h"

#include <algorithm>
#include <vector>

namespace DuiLib {

// Thread: UI. Receivers are borrowed: each removes itself before it is destroyed. A receiver
// may add or remove receivers (itself included) while a broadcast is running; one removed
// during the broadcast is not called any more.
template <class ReturnT, class ParamT>
class ObserverImpl {
public:
    using Receiver = ReceiverImpl<ReturnT, ParamT>;

    void AddReceiver(Receiver* receiver) {
        if (receiver && !Contains(receiver)) m_receivers.push_back(receiver);
    }
    void RemoveReceiver(Receiver* receiver) {
        m_receivers.erase(std::remove(m_receivers.begin(), m_receivers.end(), receiver), m_receivers.end());
    }
    bool Contains(const Receiver* receiver) const {
        return std::find(m_receivers.begin(), m_receivers.end(), receiver) != m_receivers.end();
    }
    const std::vector<Receiver*>& Receivers() const { return m_receivers; }

    void Broadcast(ParamT param) {
        const std::vector<Receiver*> snapshot = m_receivers;
        for (Receiver* r : snapshot)
            if (Contains(r)) r->Receive(param);
    }

private:
    std::vector<Receiver*> m_receivers;
};

}  // namespace DuiLib
