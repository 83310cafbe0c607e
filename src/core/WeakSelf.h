#pragma once

#include <memory>

// What an object's tasks and callbacks hold instead of `this`: scheduled work and listeners may
// outlive the object, and a handle then answers nothing, so late work does nothing. The object
// keeps a WeakSelf as a member, made from `this`; everything runs on the one thread that also
// destroys the object.
template <class T> class WeakSelf {
public:
    class Handle {
    public:
        // The object while it lives, else nullptr.
        T* get() const {
            const auto self = m_weak.lock();
            return self ? *self : nullptr;
        }

    private:
        friend class WeakSelf;
        explicit Handle(std::weak_ptr<T*> weak) : m_weak(std::move(weak)) {}
        std::weak_ptr<T*> m_weak;
    };

    explicit WeakSelf(T* self) : m_self(std::make_shared<T*>(self)) {}
    WeakSelf(const WeakSelf&) = delete;
    WeakSelf& operator=(const WeakSelf&) = delete;

    Handle handle() const { return Handle(m_self); }

private:
    std::shared_ptr<T*> m_self;
};
