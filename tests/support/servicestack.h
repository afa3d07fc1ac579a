#pragma once

#include <functional>
#include <vector>

// The program's singleton services for a test or a benchmark: each type of Services
// is made with new in the order given, which is the order MainApplication makes them
// in (Log, MoReaderCached, FileManager, Settings, BufferManager, Database, Physics),
// and the instance each has then is deleted in the reverse order when the stack goes
// or on reset(), so that one a test deleted (or replaced) itself is not deleted
// twice. Where set-up must run between two services (settings filled in before the
// buffer manager), use two stacks, the later one made after and reset before the first.
template <typename... Services> class ServiceStack
{
public:
    ServiceStack() { (make<Services>(), ...); }
    ~ServiceStack() { reset(); }
    ServiceStack(const ServiceStack &) = delete;
    ServiceStack &operator=(const ServiceStack &) = delete;

    void reset()
    {
        while (!mDeleters.empty()) {
            mDeleters.back()();
            mDeleters.pop_back();
        }
    }

private:
    template <typename Service> void make()
    {
        new Service();
        mDeleters.push_back([] { delete Service::instance(); });
    }

    std::vector<std::function<void()>> mDeleters;
};
