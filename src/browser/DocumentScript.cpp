#include "DocumentScript.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Installs window.corvantaDocument once per document. Collections are read
// through the prototypes' own getters, so that an element named "forms" or
// "elements" does not stand in for them.
const char* const kSource = R"JS(
(function () {
  'use strict';
  if (window.corvantaDocument)
    return;
  const reportPrefix = %1[0];
  const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;
  const formsOf = getter(Document.prototype, 'forms');
  const linksOf = getter(Document.prototype, 'links');
  const imagesOf = getter(Document.prototype, 'images');
  const elementsOf = getter(HTMLFormElement.prototype, 'elements');
  const text = (value) => (value === undefined || value === null) ? '' : String(value);
  const message = (error) => text(error && error.message ? error.message : error);
  let uniqueIds = 0;

  // One document and, below it, its frames: read directly when of the same
  // origin, else asked to walk themselves and report.
  function walk(win, path, request) {
    const doc = win.document;
    const body = doc.body;
    const node = {path: path, address: text(doc.URL), body: !!body && body.tagName === 'BODY',
                  links: [], frames: []};
    if (node.body) {
      const links = linksOf.call(doc);
      for (let i = 0; i < links.length; ++i)
        node.links.push(text(links[i].href));
    }
    const frames = win.frames;
    for (let i = 0; i < frames.length; ++i) {
      const child = frames[i];
      const childPath = path + '/' + i;
      let readable = false;
      try {
        readable = !!child.document;
      } catch (error) {
        readable = false;
      }
      if (readable) {
        try {
          node.frames.push(walk(child, childPath, request));
        } catch (error) {
          node.frames.push({path: childPath, error: message(error)});
        }
      } else {
        node.frames.push({path: childPath, pending: true});
        try {
          child.postMessage({corvantaDocumentWalk: request, path: childPath}, '*');
        } catch (error) {
          // Left pending: the frame is skipped when no answer comes.
        }
      }
    }
    return node;
  }

  function fromAncestor(source) {
    for (let up = window; up.parent !== up; up = up.parent) {
      if (source === up.parent)
        return true;
    }
    return false;
  }

  window.addEventListener('message', (event) => {
    const data = event.data;
    if (!data || typeof data !== 'object' || typeof data.corvantaDocumentWalk !== 'number' ||
        typeof data.path !== 'string' || !fromAncestor(event.source))
      return;
    let node;
    try {
      node = walk(window, data.path, data.corvantaDocumentWalk);
    } catch (error) {
      node = {path: data.path, error: message(error)};
    }
    console.log(reportPrefix + JSON.stringify({request: data.corvantaDocumentWalk, node: node}));
  });

  window.corvantaDocument = {
    walk: (request) => walk(window, '', request),
    source: () => document.documentElement.innerHTML,
    text: () => document.documentElement.innerText,
    contentType: () => text(document.contentType),
    images: () => Array.from(imagesOf.call(document), (image) => text(image.src)),

    fields: () => {
      if (document.getElementsByTagName('FORM').length === 0)
        return {forms: false, elements: []};
      const elements = [];
      try {
        const forms = formsOf.call(document);
        for (let i = 0; i < forms.length; ++i) {
          const list = elementsOf.call(forms[i]);
          for (let j = 0; j < list.length; ++j) {
            const element = list[j];
            elements.push([text(element.name), text(element.id), text(element.tagName),
                           text(element), text(element.innerText), text(element.innerHTML)]);
          }
        }
      } catch (error) {
        // The lines read so far stay.
      }
      return {forms: true, elements: elements};
    },

    objects: () => {
      const result = [];
      const forms = formsOf.call(document);
      for (let i = 0; i < forms.length; ++i) {
        const form = forms[i];
        // An element called "name" stands in for the form's name: its name is shown.
        let name = form.name;
        if (name && typeof name === 'object')
          name = 'name' in name ? name.name : '';
        const entry = {name: text(name), elements: []};
        const list = elementsOf.call(form);
        for (let j = 0; j < list.length; ++j) {
          try {
            const element = list[j];
            const item = {name: text(element.name), value: text(element.value),
                          type: text(element.type)};
            if (item.type === 'text')
              item.maxLength = element.maxLength;
            if (item.type === 'select-one')
              item.options = Array.from(element.options,
                                        (option) => [text(option.text), text(option.value)]);
            entry.elements.push(item);
          } catch (error) {
            entry.elements.push({error: message(error)});
          }
        }
        result.push(entry);
      }
      return result;
    },

    properties: () => {
      const values = [];
      try {
        values.push(text(document.URL), text(document.title));
        const body = document.body;
        if (!body)
          throw new Error('The document has no body.');
        const scrolling = document.scrollingElement || body;
        values.push(scrolling.scrollHeight, scrolling.scrollWidth, scrolling.scrollTop,
                    scrolling.scrollLeft, scrolling.clientHeight, scrolling.clientWidth);
        let cookie = '';
        try {
          cookie = document.cookie;
        } catch (error) {
          // A document without cookies (a data address) has none to show.
        }
        values.push(text(document.referrer), text(cookie), text(document.lastModified),
                    text(location.protocol), text(window), text(document.characterSet),
                    'ms__id' + (++uniqueIds));
      } catch (error) {
        return {values: values, error: message(error)};
      }
      const answer = {values: values, contentType: text(document.contentType)};
      const entry = performance.getEntriesByType('navigation')[0];
      if (entry) {
        answer.size = entry.decodedBodySize;
        answer.created = performance.timeOrigin + entry.responseEnd;
      }
      return answer;
    },

    addHtml: (markup) => {
      const body = document.body;
      if (!body)
        throw new Error('The document has no body to add to.');
      body.insertAdjacentHTML('beforeend', markup);
      return true;
    },

    clear: () => {
      document.open();
      document.write('');
      document.close();
      return true;
    },
  };
})();
)JS";

QString jsonText(const QString& text) {
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
}

}  // namespace

namespace DocumentScript {

QString source(const QString& reportPrefix) {
    return QString::fromUtf8(kSource).arg(jsonText(reportPrefix));
}

QString call(const QString& function, const QString& arguments) {
    return QStringLiteral(
               "(function () { try { return {value: window.corvantaDocument.%1.apply(null, %2)}; "
               "} catch (error) { return {error: String(error && error.message ? error.message : "
               "error)}; } })()")
        .arg(function, arguments);
}

}  // namespace DocumentScript
