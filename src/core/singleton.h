#pragma once

// One process-wide instance per service class. The owner creates each service
// once, in a fixed order, and callers read the pointer: null before the object
// exists and after it is gone. Nothing is created on demand.
//
// A QObject service lists this base after QObject; moc then lets qt_metacast
// answer "Singleton<ClassName>" with the address of this part.
template <typename T>
class Singleton
{
public:
    static T *instance() { return s_instance; }

protected:
    Singleton() { s_instance = static_cast<T *>(this); }
    ~Singleton() { s_instance = nullptr; }

private:
    Singleton(const Singleton &) = delete;
    Singleton &operator=(const Singleton &) = delete;

    static inline T *s_instance = nullptr;
};
