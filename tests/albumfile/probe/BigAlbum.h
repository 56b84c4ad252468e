// The large album and settings file that the save probe writes and the kill test expects,
// built the same way on both sides so the test knows the new bytes exactly.
#pragma once

#include "albumfile/AlbumText.h"
#include "core/TextCodec.h"

#include <string>

namespace folivex::test {

// `count` pictures with Japanese comments; `tag` makes each generation's bytes differ.
inline std::string BigAlbumBytes(int count, const std::string& tag) {
    AlbumState state;
    state.albumTitle = "大きなアルバム " + tag;
    state.pictureFolder = "/srv/写真/" + tag + "/";
    state.coverMode = 0;
    PictureList pictures;
    for (int k = 1; k <= count; ++k) {
        PictureList::Row& row = pictures.MutableAt(k);
        row.fileName = "IMG" + std::to_string(100000 + k) + ".JPG";
        row.comment = tag + " 浜辺にて、写真 " + std::to_string(k) + " の説明";
        pictures.Append({});
    }
    pictures.SetRowCount(pictures.RowCount() - 1);
    return EncodeFileText(BuildAlbumText(state, pictures));
}

// A settings file with many lines the program does not know (they must all survive).
inline std::string BigSettingsBytes(int lines) {
    std::string text = "[Conf]\r\nRate=70\r\nImgViewer=old\r\n[Foreign]\r\n";
    for (int i = 0; i < lines; ++i)
        text += "Key" + std::to_string(i) + "=value of a section we do not know " +
                std::to_string(i) + "\r\n";
    return text;
}

} // namespace folivex::test
