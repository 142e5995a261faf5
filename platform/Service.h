#pragma once

#include <memory>

namespace velm {

// One process-wide instance of a platform service. `get()` returns the
// installed instance, or the system's own one created on first use by
// `makeSystemService<T>()` (defined per operating system). Tests install their
// own with `ScopedService`.
template <class T>
std::unique_ptr<T> makeSystemService();

template <class T>
class Service {
public:
    static T& get() {
        if (installed_) return *installed_;
        static std::unique_ptr<T> system = makeSystemService<T>();
        return *system;
    }
    // Returns the previous override (nullptr when the system one was active).
    static T* install(T* service) {
        T* previous = installed_;
        installed_ = service;
        return previous;
    }

private:
    static inline T* installed_ = nullptr;
};

// Installs `service` for the lifetime of this object, then restores the previous one.
template <class T>
class ScopedService {
public:
    explicit ScopedService(T& service) : previous_(Service<T>::install(&service)) {}
    ~ScopedService() { Service<T>::install(previous_); }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

private:
    T* previous_;
};

}  // namespace velm
