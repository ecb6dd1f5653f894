#ifndef PLIXTALK_SIGSLOT_H
#define PLIXTALK_SIGSLOT_H

// Single-threaded signals and slots shared by the talk library and the program
// that loads it.
//
// A signal is a data member of the object that publishes an event; a receiver
// derives from sigslot::has_slots<> and connects its member functions:
//
//     struct Listener : sigslot::has_slots<> {
//         void onFinished() { ... }
//     };
//     player->SignalFinished.connect(&listener, &Listener::onFinished);
//
// The slot's parameters are exactly the signal's. Destroying either side
// breaks the connection. Handlers run synchronously on the emitting thread, in
// the order they were connected; nothing is locked. Raise a signal by calling
// it, signal(args): where Qt is included, its "emit" macro hides emit().
//
// Both modules compile this header, so every structure has one layout. Memory
// for connection nodes comes from the allocator installed with
// set_allocator(); each node remembers the function that gives it back, so a
// node made by one module can be freed by the other. The program installs the
// library's PlixTalk_EASTLAllocator / PlixTalk_EASTLDeleter, the library does
// the same with its own copies.
//
// Slots may connect, disconnect, destroy their receiver or even destroy the
// emitting signal while it is being emitted. Receivers connected during an
// emission are first called by the next one.

#include <cstddef>
#include <new>
#include <type_traits>

// Qt defines "emit" as an empty macro; keep it away from the member function.
#pragma push_macro("emit")
#undef emit

namespace sigslot {

using allocate_function = void *(*)(std::size_t size);
using deallocate_function = void (*)(void *pointer, std::size_t size);

// The only threading policy: no locking, every call on one thread.
struct single_threaded
{
};

class signal_base;
class has_slots_base;

namespace detail {

inline void *default_allocate(std::size_t size)
{
    return ::operator new(size);
}

inline void default_deallocate(void *pointer, std::size_t)
{
    ::operator delete(pointer);
}

struct allocator_hooks
{
    allocate_function allocate = &default_allocate;
    deallocate_function deallocate = &default_deallocate;
};

// One per module: the library is built with hidden symbols, so the program's
// copy and the library's copy never merge.
inline allocator_hooks hooks;

// Head of every node: how and how much to give back.
struct block
{
    deallocate_function deallocate;
    std::size_t size;
};

template<class Node>
Node *create_node()
{
    static_assert(std::is_trivially_destructible<Node>::value, "nodes are freed without destructors");
    const allocator_hooks current = hooks;
    void *memory = current.allocate(sizeof(Node));
    if (!memory)
        throw std::bad_alloc();
    Node *node = new (memory) Node();
    node->deallocate = current.deallocate;
    node->size = sizeof(Node);
    return node;
}

inline void free_node(block *node)
{
    node->deallocate(node, node->size);
}

} // namespace detail

// Installs the memory hooks for nodes made by this module from now on.
// Passing null restores the global operator new and delete.
inline void set_allocator(allocate_function allocate, deallocate_function deallocate)
{
    if (allocate && deallocate) {
        detail::hooks.allocate = allocate;
        detail::hooks.deallocate = deallocate;
    } else {
        detail::hooks = detail::allocator_hooks();
    }
}

// What a signal tells its receivers and a receiver its signals. Virtual, so
// each side edits its own lists with its own code.
class signal_base
{
public:
    // The receiver goes away: forget every connection to it.
    virtual void slot_disconnect(has_slots_base *receiver) = 0;

protected:
    ~signal_base() = default;
};

class has_slots_base
{
public:
    virtual void signal_connect(signal_base *sender) = 0;
    virtual void signal_disconnect(signal_base *sender) = 0;

protected:
    ~has_slots_base() = default;
};

// Base of every receiver; disconnects itself from all its signals when destroyed.
template<class Policy = single_threaded>
class has_slots : public has_slots_base
{
public:
    has_slots() = default;
    has_slots(const has_slots &) = delete;
    has_slots &operator=(const has_slots &) = delete;
    virtual ~has_slots() { disconnect_all(); }

    void signal_connect(signal_base *sender) override
    {
        for (sender_node *node = m_senders; node; node = node->next) {
            if (node->sender == sender)
                return;
        }
        sender_node *node = detail::create_node<sender_node>();
        node->sender = sender;
        node->next = m_senders;
        m_senders = node;
    }

    void signal_disconnect(signal_base *sender) override
    {
        for (sender_node **link = &m_senders; *link; link = &(*link)->next) {
            if ((*link)->sender == sender) {
                sender_node *node = *link;
                *link = node->next;
                detail::free_node(node);
                return;
            }
        }
    }

    void disconnect_all()
    {
        while (m_senders) {
            sender_node *node = m_senders;
            m_senders = node->next;
            signal_base *sender = node->sender;
            detail::free_node(node);
            sender->slot_disconnect(this);
        }
    }

private:
    struct sender_node : detail::block
    {
        sender_node *next;
        signal_base *sender;
    };

    sender_node *m_senders = nullptr;
};

template<class Policy, class... Args>
class signal_n : public signal_base
{
public:
    signal_n() = default;
    signal_n(const signal_n &) = delete;
    signal_n &operator=(const signal_n &) = delete;

    ~signal_n()
    {
        for (emission *frame = m_emissions; frame; frame = frame->outer)
            frame->alive = false;
        m_emissions = nullptr;
        disconnect_all();
    }

    // Calls receiver->method(args...) on every emission until either side goes.
    template<class Receiver, class Target>
    void connect(Receiver *receiver, void (Target::*method)(Args...))
    {
        static_assert(std::is_base_of<has_slots_base, Receiver>::value,
                      "receivers derive from sigslot::has_slots");
        static_assert(std::is_base_of<Target, Receiver>::value, "the slot must be a member of the receiver");
        member_connection<Target> *node = detail::create_node<member_connection<Target>>();
        node->next = nullptr;
        node->receiver = receiver;
        node->invoke = &member_connection<Target>::call;
        node->object = receiver;
        node->method = method;
        if (m_tail)
            m_tail->next = node;
        else
            m_head = node;
        m_tail = node;
        static_cast<has_slots_base *>(receiver)->signal_connect(this);
    }

    // Drops every connection to the receiver.
    void disconnect(has_slots_base *receiver)
    {
        if (drop_connections_of(receiver))
            receiver->signal_disconnect(this);
    }

    void disconnect_all()
    {
        for (connection *node = m_head; node; node = node->next) {
            if (node->receiver) {
                has_slots_base *receiver = node->receiver;
                mark_connections_of(receiver);
                receiver->signal_disconnect(this);
            }
        }
        if (!m_emissions)
            sweep();
    }

    bool empty() const
    {
        for (const connection *node = m_head; node; node = node->next) {
            if (node->receiver)
                return false;
        }
        return true;
    }

    void emit(Args... args)
    {
        if (!m_head)
            return;
        emission frame {true, m_emissions};
        m_emissions = &frame;
        connection *const last = m_tail;
        for (connection *node = m_head; node; node = node->next) {
            if (node->receiver)
                node->invoke(node, args...);
            if (!frame.alive)
                return; // a slot destroyed this signal
            if (node == last)
                break;
        }
        m_emissions = frame.outer;
        if (!m_emissions && m_dirty)
            sweep();
    }

    void operator()(Args... args) { emit(args...); }

    void slot_disconnect(has_slots_base *receiver) override { drop_connections_of(receiver); }

private:
    struct connection : detail::block
    {
        connection *next;
        has_slots_base *receiver; // null once disconnected during an emission
        void (*invoke)(connection *self, Args... args);
    };

    template<class Target>
    struct member_connection : connection
    {
        Target *object;
        void (Target::*method)(Args...);

        static void call(connection *self, Args... args)
        {
            member_connection *node = static_cast<member_connection *>(self);
            (node->object->*node->method)(args...);
        }
    };

    struct emission
    {
        bool alive;
        emission *outer;
    };

    bool mark_connections_of(has_slots_base *receiver)
    {
        bool found = false;
        for (connection *node = m_head; node; node = node->next) {
            if (node->receiver == receiver) {
                node->receiver = nullptr;
                found = true;
            }
        }
        m_dirty = m_dirty || found;
        return found;
    }

    // Marks the receiver's nodes dead; frees them at once unless an emission
    // is walking the list. Returns whether there were any.
    bool drop_connections_of(has_slots_base *receiver)
    {
        const bool found = mark_connections_of(receiver);
        if (found && !m_emissions)
            sweep();
        return found;
    }

    void sweep()
    {
        connection *previous = nullptr;
        connection *node = m_head;
        while (node) {
            connection *next = node->next;
            if (node->receiver) {
                previous = node;
            } else {
                if (previous)
                    previous->next = next;
                else
                    m_head = next;
                detail::free_node(node);
            }
            node = next;
        }
        m_tail = previous;
        m_dirty = false;
    }

    connection *m_head = nullptr;
    connection *m_tail = nullptr;
    emission *m_emissions = nullptr;
    bool m_dirty = false;
};

template<class Policy = single_threaded>
using signal0 = signal_n<Policy>;
template<class A1, class Policy = single_threaded>
using signal1 = signal_n<Policy, A1>;
template<class A1, class A2, class Policy = single_threaded>
using signal2 = signal_n<Policy, A1, A2>;
template<class A1, class A2, class A3, class Policy = single_threaded>
using signal3 = signal_n<Policy, A1, A2, A3>;
template<class A1, class A2, class A3, class A4, class Policy = single_threaded>
using signal4 = signal_n<Policy, A1, A2, A3, A4>;

} // namespace sigslot

#pragma pop_macro("emit")

#endif // PLIXTALK_SIGSLOT_H
