// Observers that each keep their own place: adding one never replaces another (unlike a single-slot
// setter, where the last caller silently wins). Each Add returns a Subscription; the observer stays until
// that is reset or destroyed. Either side may go first.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace zephyra {

class Subscription {
public:
    Subscription() = default;
    Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription &&other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
    Subscription &operator=(Subscription &&other) noexcept {
        if (this != &other) {
            Reset();
            cancel_ = std::exchange(other.cancel_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription &) = delete;
    Subscription &operator=(const Subscription &) = delete;
    ~Subscription() { Reset(); }
    void Reset() {
        if (auto c = std::exchange(cancel_, nullptr))
            c();
    }
    explicit operator bool() const { return static_cast<bool>(cancel_); }

private:
    std::function<void()> cancel_;
};

template <typename... Args> class ObserverList {
public:
    ObserverList() : slots_(std::make_shared<Slots>()) {}
    ObserverList(const ObserverList &) = delete;
    ObserverList &operator=(const ObserverList &) = delete;

    [[nodiscard]] Subscription Add(std::function<void(Args...)> observer) {
        const uint64_t id = ++slots_->lastId;
        slots_->entries.push_back({id, std::make_shared<std::function<void(Args...)>>(std::move(observer))});
        std::weak_ptr<Slots> weak = slots_;
        return Subscription([weak, id] {
            if (auto s = weak.lock())
                std::erase_if(s->entries, [id](const Entry &e) { return e.id == id; });
        });
    }

    // Each observer present when the call starts and still subscribed when its turn comes, in the order
    // they were added. An observer may subscribe or unsubscribe others, or itself, meanwhile.
    template <typename... Call> void Notify(Call &&...args) const {
        const std::vector<Entry> snapshot = slots_->entries;
        for (const Entry &e : snapshot) {
            const bool still = std::any_of(slots_->entries.begin(), slots_->entries.end(),
                                           [&](const Entry &x) { return x.id == e.id; });
            if (still && *e.fn)
                (*e.fn)(args...);
        }
    }
    bool Empty() const { return slots_->entries.empty(); }

private:
    struct Entry {
        uint64_t id;
        std::shared_ptr<std::function<void(Args...)>> fn;
    };
    struct Slots {
        std::vector<Entry> entries;
        uint64_t lastId = 0;
    };
    std::shared_ptr<Slots> slots_;
};

} // namespace zephyra
