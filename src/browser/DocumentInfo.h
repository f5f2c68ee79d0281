#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// What the "Document Info" views show, shaped from what the page's document
// script answers (JSON-like values: maps, lists, texts and numbers). Answers
// come from pages and are not trusted: anything of the wrong kind reads as
// missing.
namespace DocumentInfo {

// The single lines shown when a view has nothing to list.
inline constexpr const char* kNoLinks = "The document does not contain links";
inline constexpr const char* kNoFrames = "The document does not contain frames.";
inline constexpr const char* kNoImages = "The document does not contain images";
inline constexpr const char* kNoFields = "The document does not contain fields";
inline constexpr const char* kNoObjects = "The document does not contain visible objects";

// One document of the page for the Links and Frames views: the top document
// and, below it, the documents of its frames in the frame collection's order.
// A frame of another origin answers on its own, later: until then it is a
// pending place holder.
struct FrameDocument {
    QString path;  // "" for the top document, "/0", "/0/2", ... below it
    QString address;
    bool hasBody = false;  // the body's tag is "BODY" (not "FRAMESET")
    QStringList links;
    QList<FrameDocument> frames;
    bool pending = false;
    bool reached = true;  // false: the frame's document could not be reached
};

FrameDocument frameDocumentFromVariant(const QVariant& value);

// Puts a frame's own answer in the place its path names. False when no
// pending frame has that path (a late or a forged answer), which changes
// nothing.
bool placeFrameReport(FrameDocument& top, const FrameDocument& report);
// The paths of the frames still pending, in the views' order.
QStringList pendingFramePaths(const FrameDocument& top);

// Links: the links of every document with a body, the top first, then its
// frames' documents depth first. Frames never reached contribute nothing.
QStringList linksLines(const FrameDocument& top);
// Frames: the count of the top document's frames and its address, then the
// address of every frame document that was reached, depth first.
QStringList framesLines(const FrameDocument& top);

// Images: two lines per image, its address and the engine's cache file that
// holds it (nothing after "--local:" when there is none).
QStringList imagesLines(const QStringList& sources,
                        const std::function<QString(const QString&)>& cacheFile);

// Fields: the answer is a map: "forms", false when the document has no form
// element, and "elements", each a list of name, id, tag name, text form,
// inner text and inner markup.
QStringList fieldsLines(const QVariant& answer);

// Object View: a tree of the forms, their elements and what the elements hold.
struct TreeNode {
    QString text;
    int image = -1;  // in the window's image strip; -1 for none
    QList<TreeNode> children;
};
// The answer is a list of forms, each a map with "name" and "elements"; an
// element is a map with "name", "value", "type", "maxLength" and "options"
// (pairs of text and value), or with "error" when it could not be read.
QList<TreeNode> objectTree(const QVariant& answer);

// Images of the Object View's nodes.
inline constexpr int kFormImage = 59;
int elementImage(const QString& type);

// Page Properties: the panel's fields in their order.
struct PropertyField {
    const char* name;    // the field's control name
    const char* label;   // its caption; null for the second field of a row
    const char* suffix;  // shown after it ("Pix.", "Bytes"), or null
    bool noneWhenEmpty;  // an empty value shows "None"; else the field keeps its text
};
const QList<PropertyField>& propertyFields();

// What a refresh of the panel changes. The answer is a map: "values", the
// fields from "UrlN" to "Uni" in order (a page whose script failed part way
// gives the ones it read), "error" for that failure, and "size" and
// "created" (milliseconds since the epoch) of the guarded step, missing when
// the engine does not know them.
struct PropertiesUpdate {
    QList<QPair<int, QString>> values;  // field index and its new text, in order
    QString error;                      // for the application's error box
    bool guardedStepFailed = false;     // for the error label
};
PropertiesUpdate propertiesUpdate(const QVariantMap& answer);
inline constexpr const char* kGuardedStepError = "There are some errors on the page HTML code !";

// The size and creation date of a page that is a local file, which the
// engine does not know: the file's own (its birth time where the file system
// keeps one, else its last change).
void addLocalFileFacts(QVariantMap& answer, const QString& localFile);

// "Page Properties" on the "View" menu: caption and text of each line of the
// dialog, from the same answer and the document's content type.
QList<QPair<QString, QString>> propertiesSummary(const QVariantMap& answer);

}  // namespace DocumentInfo
