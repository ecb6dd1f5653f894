#ifndef STANDIN_LIST_H
#define STANDIN_LIST_H

#include "plixtalk_api.h"
#include "state.h"

#include <new>
#include <vector>

namespace standin {

// A list handed to the program through an out-parameter. Its memory comes
// from the allocator hooks like every container both sides touch; Release()
// gives it back together with the items it owns.
template<class Item>
class List final : public plix::IList<Item *>
{
public:
    using Disposer = void (*)(Item *item);

    // With a disposer the list owns its items.
    static List *create(std::vector<Item *> items, Disposer dispose)
    {
        void *memory = PlixTalk_EASTLAllocator(sizeof(List));
        return new (memory) List(std::move(items), dispose);
    }

    int Count() const override { return static_cast<int>(m_items.size()); }

    Item *At(int index) const override
    {
        return index >= 0 && index < Count() ? m_items[static_cast<std::size_t>(index)] : nullptr;
    }

    void Release() override
    {
        List *self = this;
        self->~List();
        PlixTalk_EASTLDeleter(self, sizeof(List));
    }

private:
    List(std::vector<Item *> items, Disposer dispose)
        : m_items(std::move(items))
        , m_dispose(dispose)
    {
        State::instance().objectCreated(State::List);
    }

    ~List() override
    {
        if (m_dispose) {
            for (Item *item : m_items)
                m_dispose(item);
        }
        State::instance().objectReleased(State::List);
    }

    std::vector<Item *> m_items;
    Disposer m_dispose;
};

} // namespace standin

#endif // STANDIN_LIST_H
