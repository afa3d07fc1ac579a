#pragma once

#include <QtGlobal>

// One process-wide instance per service class. The owner creates each service
// once, in a fixed order, and callers read the pointer: null before the object
// exists and after it is gone. Nothing is created on demand.
//
// A QObject service lists this base after QObject; moc then lets qt_metacast
// answer "Singleton<ClassName>" with the address of this part.
template <typename T> class Singleton
{
public:
    // The cast is made on use, not in the constructor: there T is not yet
    // constructed, and the downcast would be undefined.
    static T *instance() { return static_cast<T *>(s_instance); }

protected:
    // A second live instance is a fault of the owner; were it let through, the
    // first one's destructor must not leave the newer one unreachable.
    Singleton()
    {
        Q_ASSERT_X(!s_instance, "Singleton", "a second instance of a service");
        s_instance = this;
    }
    ~Singleton()
    {
        if (s_instance == this) {
            s_instance = nullptr;
        }
    }

private:
    Singleton(const Singleton &) = delete;
    Singleton &operator=(const Singleton &) = delete;

    static inline Singleton *s_instance = nullptr;
};
