#pragma once
// The social model's lists as Qt list models, so that views bind to them and a new snapshot moves
// only the rows that changed: one template over the wire values (friends, requests, messages), each
// row keyed by the value's id.
#include <algorithm>
#include <cstddef>
#include <vector>

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QVariant>

#include "launcher/social/SocialTypes.h"

namespace novra {

// The roles of each kind of row, named as the views read them.
template <class T> struct SocialRows;

template <> struct SocialRows<SocialFriend> {
    enum Role { Id = Qt::UserRole + 1, Username, Unread, Online, CurrentGame, LastSeen };
    static QHash<int, QByteArray> names();
    static QVariant data(const SocialFriend& row, int role);
};

template <> struct SocialRows<FriendRequest> {
    enum Role { Id = Qt::UserRole + 1, Username, Created };
    static QHash<int, QByteArray> names();
    static QVariant data(const FriendRequest& row, int role);
};

template <> struct SocialRows<DirectMessage> {
    enum Role { Id = Qt::UserRole + 1, SenderId, RecipientId, ClientId, Body, Created };
    static QHash<int, QByteArray> names();
    static QVariant data(const DirectMessage& row, int role);
};

template <class T> class SocialList : public QAbstractListModel {
public:
    explicit SocialList(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    const std::vector<T>& values() const { return values_; }
    bool empty() const { return values_.empty(); }

    // Takes the new rows. When only rows were added, or only rows were removed, the views hear of
    // exactly those (and of the rows whose values changed); any other change resets the list.
    void assign(std::vector<T> next) {
        if (values_.empty() && next.empty()) return;
        if (keysContain(next, values_)) {
            insertFrom(next);
        } else if (keysContain(values_, next)) {
            removeAbsent(next);
        } else {
            beginResetModel();
            values_ = std::move(next);
            endResetModel();
            return;
        }
        // Same keys in the same order now: tell of the rows whose value differs.
        for (size_t row = 0; row < next.size(); ++row) {
            if (values_[row] == next[row]) continue;
            values_[row] = std::move(next[row]);
            QModelIndex changed = index(static_cast<int>(row));
            emit dataChanged(changed, changed);
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(values_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
        return SocialRows<T>::data(values_[static_cast<size_t>(index.row())], role);
    }
    QHash<int, QByteArray> roleNames() const override { return SocialRows<T>::names(); }

private:
    // Whether the keys of `part`, in order, are a subsequence of those of `whole`.
    static bool keysContain(const std::vector<T>& whole, const std::vector<T>& part) {
        if (part.size() > whole.size()) return false;
        size_t at = 0;
        for (const T& value : whole)
            if (at < part.size() && value.id == part[at].id) ++at;
        return at == part.size();
    }

    // Inserts, in runs, the rows of `next` that the list lacks; `next` holds every current key in order.
    void insertFrom(const std::vector<T>& next) {
        for (size_t row = 0; row < next.size();) {
            bool rest = row < values_.size();
            if (rest && values_[row].id == next[row].id) {
                ++row;
                continue;
            }
            size_t end = row + 1;
            while (end < next.size() && !(rest && values_[row].id == next[end].id))
                ++end;
            beginInsertRows({}, static_cast<int>(row), static_cast<int>(end - 1));
            values_.insert(values_.begin() + offset(row), next.begin() + offset(row),
                           next.begin() + offset(end));
            endInsertRows();
            row = end;
        }
    }

    // Removes, in runs, the rows whose keys `next` (a subsequence of the list) lacks.
    void removeAbsent(const std::vector<T>& next) {
        size_t kept = 0;
        for (size_t row = 0; row < values_.size();) {
            if (kept < next.size() && values_[row].id == next[kept].id) {
                ++kept;
                ++row;
                continue;
            }
            size_t end = row + 1;
            while (end < values_.size() && !(kept < next.size() && values_[end].id == next[kept].id))
                ++end;
            beginRemoveRows({}, static_cast<int>(row), static_cast<int>(end - 1));
            values_.erase(values_.begin() + offset(row), values_.begin() + offset(end));
            endRemoveRows();
        }
    }

    static std::ptrdiff_t offset(size_t row) { return static_cast<std::ptrdiff_t>(row); }

    std::vector<T> values_;
};

} // namespace novra
