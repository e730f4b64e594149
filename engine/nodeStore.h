#pragma once
// The list control's node store: flat top-level rows, each owning one value-initialised data
// block (all fields zero or empty). It offers what the job runner, the list-file manager and the
// file list view use: walking, row numbers, counting, appending inside update brackets, deleting
// the selected row, clearing, single selection, focus and repainting, and telling those who keep
// a copy of the rows when they change.
//
// It has no pixels. A view (the main window's list widget, or nothing when headless) follows it
// through TNodeStoreObserver: insertions and removals are announced before and after the change,
// as a Qt item model needs them; repaint and focus requests are only passed on.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class TNodeStoreObserver {
public:
    virtual ~TNodeStoreObserver() = default;
    virtual void RowsAboutToBeInserted(int /*first*/, int /*last*/) { }
    virtual void RowsInserted() { }
    virtual void RowsAboutToBeRemoved(int /*first*/, int /*last*/) { }
    virtual void RowsRemoved() { }
    // A begin/end update bracket closed: the view may repaint once.
    virtual void UpdateEnded() { }
    virtual void RowRepaint(int /*row*/) { }
    virtual void SelectionChanged() { }
    virtual void FocusChanged() { }
    virtual void FocusRequested() { }
};

template <class Data> class TNodeStore {
public:
    struct Node {
        Data data {};
        uint32_t row = 0;
        bool selected = false;
    };
    TNodeStore() = default;
    // Frees every node (the free listeners hear of each); the observer and the change listeners
    // hear nothing more.
    ~TNodeStore()
    {
        observer_ = nullptr;
        changeListeners_.clear();
        Clear();
    }
    TNodeStore(const TNodeStore&) = delete;
    TNodeStore& operator=(const TNodeStore&) = delete;

    // Parties that must forget a node before it is freed (the job runner holds the row it
    // converts, the presenter the row whose properties are open); told just before, with the
    // node's data still there. AddFreeListener returns the id RemoveFreeListener takes.
    using TFreeListener = std::function<void(Node* node)>;
    int AddFreeListener(TFreeListener listener)
    {
        freeListeners_.emplace_back(++lastListenerId_, std::move(listener));
        return lastListenerId_;
    }
    void RemoveFreeListener(int id)
    {
        std::erase_if(freeListeners_, [id](const auto& entry) { return entry.first == id; });
    }
    // Parties that keep a copy of the rows (the list's journal): told after rows are added or
    // removed and after a row's record changed, which its writer announces with RepaintNode.
    // AddChangeListener returns the id RemoveChangeListener takes.
    using TChangeListener = std::function<void()>;
    int AddChangeListener(TChangeListener listener)
    {
        changeListeners_.emplace_back(++lastListenerId_, std::move(listener));
        return lastListenerId_;
    }
    void RemoveChangeListener(int id)
    {
        std::erase_if(changeListeners_, [id](const auto& entry) { return entry.first == id; });
    }
    void SetObserver(TNodeStoreObserver* observer) { observer_ = observer; }

    Node* GetFirst() const { return nodes_.empty() ? nullptr : nodes_.front().get(); }
    Node* GetNext(const Node* node) const
    {
        return node && node->row + 1 < nodes_.size() ? nodes_[node->row + 1].get() : nullptr;
    }
    Node* NodeAt(int row) const
    {
        return row >= 0 && static_cast<size_t>(row) < nodes_.size() ? nodes_[static_cast<size_t>(row)].get()
                                                                    : nullptr;
    }
    static Data* GetNodeData(Node* node) { return node ? &node->data : nullptr; }
    // 0-based position among all rows.
    static uint32_t AbsoluteIndex(const Node* node) { return node->row; }
    // Rows are all top-level.
    static uint32_t GetNodeLevel(const Node*) { return 0; }
    uint32_t TotalCount() const { return static_cast<uint32_t>(nodes_.size()); }
    uint32_t RootNodeCount() const { return TotalCount(); }

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate()
    {
        if (updateCount_ > 0 && --updateCount_ == 0 && observer_)
            observer_->UpdateEnded();
    }

    // Appends a new last row with a value-initialised data block.
    Node* AddChild()
    {
        const int row = static_cast<int>(nodes_.size());
        if (observer_)
            observer_->RowsAboutToBeInserted(row, row);
        nodes_.push_back(std::make_unique<Node>());
        nodes_.back()->row = static_cast<uint32_t>(row);
        if (observer_)
            observer_->RowsInserted();
        NotifyChange();
        return nodes_.back().get();
    }

    void DeleteNode(Node* node)
    {
        if (!node)
            return;
        const uint32_t row = node->row;
        const bool wasSelected = node->selected;
        if (observer_)
            observer_->RowsAboutToBeRemoved(static_cast<int>(row), static_cast<int>(row));
        if (focused_ == node)
            focused_ = nullptr;
        NotifyFree(node);
        nodes_.erase(nodes_.begin() + row);
        for (size_t i = row; i < nodes_.size(); ++i)
            nodes_[i]->row = static_cast<uint32_t>(i);
        if (observer_) {
            observer_->RowsRemoved();
            if (wasSelected)
                observer_->SelectionChanged();
        }
        NotifyChange();
    }
    void DeleteSelectedNodes()
    {
        for (size_t i = nodes_.size(); i-- > 0;)
            if (nodes_[i]->selected)
                DeleteNode(nodes_[i].get());
    }
    void Clear()
    {
        if (nodes_.empty())
            return;
        if (observer_)
            observer_->RowsAboutToBeRemoved(0, static_cast<int>(nodes_.size()) - 1);
        focused_ = nullptr;
        for (auto& node : nodes_)
            NotifyFree(node.get());
        nodes_.clear();
        if (observer_)
            observer_->RowsRemoved();
        NotifyChange();
    }

    // Single selection: selecting a node deselects every other.
    void SelectOnly(Node* node)
    {
        for (auto& n : nodes_)
            n->selected = n.get() == node;
        if (observer_)
            observer_->SelectionChanged();
    }
    Node* GetFirstSelected() const
    {
        for (auto& n : nodes_)
            if (n->selected)
                return n.get();
        return nullptr;
    }
    uint32_t SelectedCount() const
    {
        uint32_t count = 0;
        for (auto& n : nodes_)
            count += n->selected ? 1 : 0;
        return count;
    }

    Node* FocusedNode() const { return focused_; }
    void SetFocusedNode(Node* node)
    {
        focused_ = node;
        if (observer_)
            observer_->FocusChanged();
    }
    // Gives the control the keyboard focus (a view takes it; headless nothing happens).
    void SetFocus()
    {
        if (observer_)
            observer_->FocusRequested();
    }
    void RepaintNode(const Node* node)
    {
        if (!node)
            return;
        if (observer_)
            observer_->RowRepaint(static_cast<int>(node->row));
        NotifyChange();
    }

private:
    void NotifyFree(Node* node)
    {
        for (auto& entry : freeListeners_)
            entry.second(node);
    }

    std::vector<std::unique_ptr<Node>> nodes_;
    void NotifyChange()
    {
        for (auto& entry : changeListeners_)
            entry.second();
    }

    std::vector<std::pair<int, TFreeListener>> freeListeners_;
    std::vector<std::pair<int, TChangeListener>> changeListeners_;
    int lastListenerId_ = 0;
    Node* focused_ = nullptr;
    TNodeStoreObserver* observer_ = nullptr;
    int updateCount_ = 0;
};
