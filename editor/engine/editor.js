// SPDX-License-Identifier: MIT
// The editing engine that runs inside the page, in a script world of its own
// (the page's own scripts never run). Every command edits the DOM directly and
// writes classic presentational markup: <font face size color>, align,
// bgcolor, background, border. It never calls the browser's formatting
// commands, which write style= and <span> even with styleWithCSS off, and it
// keeps its own undo stack, since attribute changes made through the DOM are
// not on the browser's.
'use strict';
var velmora = (function () {
  const MAX_UNDO = 100;
  const undoStack = [];
  const redoStack = [];
  let typing = false;
  let changes = 0;
  let contextTarget = null;

  // ---- state and undo -------------------------------------------------

  function htmlAttributes() {
    const a = {};
    for (const at of document.documentElement.attributes) a[at.name] = at.value;
    return a;
  }

  function state() {
    return { attrs: htmlAttributes(), inner: document.documentElement.innerHTML };
  }

  function restore(s) {
    const root = document.documentElement;
    for (const name of Array.from(root.getAttributeNames())) root.removeAttribute(name);
    for (const name in s.attrs) root.setAttribute(name, s.attrs[name]);
    root.innerHTML = s.inner;
    stopMarquees();
    contextTarget = null;
  }

  function checkpoint() {
    undoStack.push(state());
    if (undoStack.length > MAX_UNDO) undoStack.shift();
    redoStack.length = 0;
    typing = false;
    ++changes;
  }

  function undo() {
    if (!undoStack.length) return false;
    redoStack.push(state());
    restore(undoStack.pop());
    typing = false;
    ++changes;
    return true;
  }

  function redo() {
    if (!redoStack.length) return false;
    undoStack.push(state());
    restore(redoStack.pop());
    typing = false;
    ++changes;
    return true;
  }

  // ---- selection helpers ----------------------------------------------

  function range() {
    const sel = window.getSelection();
    if (!sel || !sel.rangeCount) return null;
    return sel.getRangeAt(0);
  }

  function selectRange(r) {
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
  }

  function selectContents(node) {
    const r = document.createRange();
    r.selectNodeContents(node);
    selectRange(r);
  }

  function caretAfter(node) {
    const r = document.createRange();
    r.setStartAfter(node);
    r.collapse(true);
    selectRange(r);
  }

  function elementOf(node) {
    return node && node.nodeType === 1 ? node : node ? node.parentElement : null;
  }

  // The element the selection starts in, or the one element it selects.
  function anchorElement() {
    const r = range();
    if (!r) return document.body;
    const one = selectedElement(r);
    if (one) return one;
    return elementOf(r.startContainer) || document.body;
  }

  // The single element a range selects (a picture, a rule), if it selects one.
  function selectedElement(r) {
    if (r.startContainer === r.endContainer && r.startContainer.nodeType === 1 &&
        r.endOffset === r.startOffset + 1) {
      return r.startContainer.childNodes[r.startOffset];
    }
    return null;
  }

  function closest(el, tags) {
    for (let e = el; e && e !== document.documentElement; e = e.parentElement) {
      if (tags.includes(e.tagName)) return e;
    }
    return null;
  }

  // Where a property dialog works: the element right-clicked last when it
  // asks for it, else the one around the selection.
  const KIND_TAGS = {
    img: ['IMG'], link: ['A'], table: ['TABLE'], cell: ['TD', 'TH'], hr: ['HR'],
    marquee: ['MARQUEE'], font: ['FONT'],
  };

  function target(kind, fromContext) {
    if (kind === 'page') return document.body;
    const start = fromContext && contextTarget ? contextTarget : anchorElement();
    const found = closest(start, KIND_TAGS[kind] || []);
    if (found || kind !== 'table') return found;
    // With the caret outside every table, a page's only table is meant.
    const tables = document.getElementsByTagName('table');
    return tables.length === 1 ? tables[0] : null;
  }

  // ---- markup helpers -------------------------------------------------

  function normalizeColour(name, value) {
    if (/color$/i.test(name) && /^#[0-9a-fA-F]{6}$/.test(value)) return value.toUpperCase();
    return value;
  }

  // Attributes come as [name, value] pairs in the order they are written
  // (or as an object); an empty value removes the attribute.
  function pairs(attrs) {
    return Array.isArray(attrs) ? attrs : Object.entries(attrs || {});
  }

  function setAttributes(el, attrs) {
    for (const [name, v] of pairs(attrs)) {
      if (v === null || v === undefined || v === '') el.removeAttribute(name);
      else el.setAttribute(name, normalizeColour(name, String(v)));
    }
  }

  function attributesOf(el) {
    const a = {};
    if (el) for (const at of el.attributes) a[at.name] = at.value;
    return a;
  }

  function create(tag, attrs) {
    const el = document.createElement(tag);
    setAttributes(el, attrs || {});
    return el;
  }

  function stopMarquees() {
    if (!document.designMode || document.designMode === 'off') return;
    for (const m of document.getElementsByTagName('marquee')) {
      if (typeof m.stop === 'function') m.stop();
    }
  }

  // Puts a node at the caret (replacing any selection), or at the end of the
  // body when nothing is selected.
  function insertNode(node) {
    const r = range();
    if (!r || !document.body.contains(r.startContainer)) {
      document.body.appendChild(node);
    } else {
      r.deleteContents();
      r.insertNode(node);
    }
    caretAfter(node);
    return node;
  }

  // The element whose whole text the range covers and whose tag is tag.
  function coveringElement(r, tag) {
    const text = r.toString().trim();
    if (!text) return null;
    for (let e = elementOf(r.commonAncestorContainer); e && e !== document.body; e = e.parentElement) {
      if (e.textContent.trim() !== text) return null;
      if (e.tagName === tag) return e;
    }
    return null;
  }

  // Wraps the selection in one new element, unless one of that tag already
  // holds exactly the selection; returns the element.
  function wrap(tag) {
    const r = range();
    if (!r || r.collapsed) return null;
    const existing = coveringElement(r, tag.toUpperCase());
    if (existing) return existing;
    const el = document.createElement(tag);
    el.appendChild(r.extractContents());
    r.insertNode(el);
    selectContents(el);
    return el;
  }

  function unwrap(el) {
    const parent = el.parentNode;
    while (el.firstChild) parent.insertBefore(el.firstChild, el);
    parent.removeChild(el);
  }

  function dropEmptyMarquees() {
    for (const m of Array.from(document.getElementsByTagName('marquee'))) {
      if (!m.textContent.trim() && !m.querySelector('img')) m.remove();
    }
  }

  // ---- serializer -----------------------------------------------------

  function doctypeText(d) {
    let s = '<!DOCTYPE ' + d.name;
    if (d.publicId) s += ' PUBLIC "' + d.publicId + '"';
    if (d.systemId) s += (d.publicId ? '' : ' SYSTEM') + ' "' + d.systemId + '"';
    return s + '>';
  }

  function serialize() {
    const parts = [];
    for (const n of document.childNodes) {
      if (n.nodeType === 10) parts.push(doctypeText(n));
      else if (n.nodeType === 8) parts.push('<!--' + n.data + '-->');
      else if (n.nodeType === 1) parts.push(n.outerHTML);
    }
    return parts.join('\n') + '\n';
  }

  // ---- commands -------------------------------------------------------

  // One <font> with face, size and colour together, plus bold, italic and
  // underline as <b>, <i>, <u> inside it.
  function setFont(p) {
    const attrs = { face: p.face || '', size: p.size || '', color: p.color || '' };
    const hasFont = attrs.face || attrs.size || attrs.color;
    const r = range();
    if (!r || r.collapsed) return false;
    checkpoint();
    let el = hasFont ? wrap('font') : null;
    if (el) {
      setAttributes(el, attrs);
      for (const inner of Array.from(el.getElementsByTagName('font'))) {
        for (const name of ['face', 'size', 'color']) if (attrs[name]) inner.removeAttribute(name);
        if (!inner.attributes.length) unwrap(inner);
      }
    }
    for (const [flag, tag] of [['bold', 'b'], ['italic', 'i'], ['underline', 'u']]) {
      if (p[flag] === undefined) continue;
      const on = closest(anchorElement(), [tag.toUpperCase()]);
      if (p[flag] && !on) {
        if (el) {
          const t = document.createElement(tag);
          while (el.firstChild) t.appendChild(el.firstChild);
          el.appendChild(t);
        } else {
          wrap(tag);
        }
      } else if (!p[flag] && on) {
        unwrap(on);
      }
    }
    if (el) selectContents(el);
    return true;
  }

  function fontState() {
    const el = anchorElement();
    const f = closest(el, ['FONT']);
    return {
      face: f ? f.getAttribute('face') || '' : '',
      size: f ? f.getAttribute('size') || '' : '',
      color: f ? f.getAttribute('color') || '' : '',
      bold: !!closest(el, ['B', 'STRONG']),
      italic: !!closest(el, ['I', 'EM']),
      underline: !!closest(el, ['U']),
    };
  }

  // Ctrl+B, Ctrl+I, Ctrl+U: wrap in, or take out of, <b>, <i>, <u>.
  function toggle(tag) {
    const on = closest(anchorElement(), [tag.toUpperCase()]);
    const r = range();
    if (!on && (!r || r.collapsed)) return false;
    checkpoint();
    if (on) unwrap(on);
    else wrap(tag);
    return true;
  }

  const BLOCK_TAGS = ['P', 'DIV', 'TD', 'TH', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6'];

  function alignTarget() {
    const el = anchorElement();
    if (el && el.tagName === 'IMG') return el;
    return closest(el, BLOCK_TAGS);
  }

  // Alignment as align="…" on the paragraph, cell or picture; text that sits
  // straight in the body gets a paragraph of its own.
  function align(value) {
    let el = alignTarget();
    checkpoint();
    if (!el) {
      const r = range();
      el = document.createElement('p');
      if (r && !r.collapsed) {
        el.appendChild(r.extractContents());
        r.insertNode(el);
      } else {
        insertNode(el);
        el.appendChild(document.createElement('br'));
      }
      selectContents(el);
    }
    setAttributes(el, { align: value });
    return true;
  }

  function paragraphState() {
    const el = alignTarget();
    return { align: el ? el.getAttribute('align') || '' : '' };
  }

  function insertImage(attrs) {
    checkpoint();
    insertNode(create('img', attrs));
    return true;
  }

  // A link around the selection (or around new text), or a changed target
  // for the link the caret is in.
  function insertLink(href, text) {
    const r = range();
    const existing = closest(anchorElement(), ['A']);
    checkpoint();
    if (existing) {
      existing.setAttribute('href', href);
      return true;
    }
    if (r && !r.collapsed) {
      const a = wrap('a');
      a.setAttribute('href', href);
      for (const inner of Array.from(a.getElementsByTagName('a'))) unwrap(inner);
      return true;
    }
    const a = create('a', { href: href });
    a.textContent = text || href;
    insertNode(a);
    return true;
  }

  // A rule at the end of a paragraph goes after the paragraph, not into it.
  function insertHr(attrs) {
    checkpoint();
    const hr = create('hr', attrs);
    const r = range();
    const p = r && r.collapsed ? closest(anchorElement(), ['P']) : null;
    if (p) {
      const rest = document.createRange();
      rest.setStart(r.endContainer, r.endOffset);
      rest.setEndAfter(p.lastChild || p);
      if (!rest.toString().trim()) {
        p.after(hr);
        caretAfter(hr);
        return true;
      }
    }
    insertNode(hr);
    return true;
  }

  function insertTable(rows, cols, attrs) {
    checkpoint();
    const t = create('table', attrs);
    const body = document.createElement('tbody');
    t.appendChild(body);
    for (let i = 0; i < rows; ++i) {
      const tr = document.createElement('tr');
      for (let j = 0; j < cols; ++j) {
        const td = document.createElement('td');
        td.innerHTML = '&nbsp;';
        tr.appendChild(td);
      }
      body.appendChild(tr);
    }
    insertNode(t);
    const first = t.querySelector('td');
    if (first) selectContents(first);
    return true;
  }

  // A marquee around the selected content (markup kept), or around new text.
  function insertMarquee(attrs, text) {
    const r = range();
    checkpoint();
    const m = create('marquee', attrs);
    if (r && !r.collapsed) {
      m.appendChild(r.extractContents());
      r.insertNode(m);
    } else {
      m.textContent = text || '';
      insertNode(m);
    }
    if (!m.textContent.trim() && text) m.textContent = text;
    stopMarquees();
    selectContents(m);
    return true;
  }

  // 删除字幕: the marquee's content stays where the marquee was.
  function removeMarquee(fromContext) {
    const m = target('marquee', fromContext);
    if (!m) return false;
    checkpoint();
    unwrap(m);
    return true;
  }

  function getProps(kind, fromContext) {
    const el = target(kind, fromContext);
    if (!el) return null;
    const a = attributesOf(el);
    if (kind === 'page') a.title = document.title;
    if (kind === 'marquee' || kind === 'link') a.text = el.textContent;
    return a;
  }

  function setProps(kind, attrs, fromContext) {
    const el = target(kind, fromContext);
    if (!el) return false;
    checkpoint();
    const a = Object.fromEntries(pairs(attrs));
    if (kind === 'page' && 'title' in a) {
      let t = document.querySelector('title');
      if (!t && a.title) {
        t = document.createElement('title');
        document.head.appendChild(t);
      }
      if (t) t.textContent = a.title;
      delete a.title;
    }
    if ((kind === 'marquee' || kind === 'link') && 'text' in a) {
      if (a.text && a.text !== el.textContent) {
        const holder = el.querySelector('font') || el;
        holder.textContent = a.text;
      }
      delete a.text;
    }
    setAttributes(el, a);
    return true;
  }

  // Inserting and deleting rows and columns of the table the caret is in.
  function tableOp(op) {
    const cell = closest(anchorElement(), ['TD', 'TH']);
    if (!cell) return false;
    const row = cell.parentElement;
    const table = closest(row, ['TABLE']);
    const index = cell.cellIndex;
    checkpoint();
    if (op === 'insertRow') {
      const tr = document.createElement('tr');
      for (const c of row.cells) {
        const td = document.createElement('td');
        if (c.colSpan > 1) td.colSpan = c.colSpan;
        td.innerHTML = '&nbsp;';
        tr.appendChild(td);
      }
      row.after(tr);
    } else if (op === 'deleteRow') {
      row.remove();
    } else if (op === 'insertColumn') {
      for (const tr of table.rows) {
        const td = document.createElement('td');
        td.innerHTML = '&nbsp;';
        const ref = tr.cells[Math.min(index, tr.cells.length - 1)];
        if (ref) ref.after(td);
        else tr.appendChild(td);
      }
    } else if (op === 'deleteColumn') {
      for (const tr of table.rows) {
        const c = tr.cells[Math.min(index, tr.cells.length - 1)];
        if (c) c.remove();
      }
    } else {
      return false;
    }
    return true;
  }

  // ---- clipboard ------------------------------------------------------

  function fragmentHtml(frag) {
    const div = document.createElement('div');
    div.appendChild(frag);
    return div.innerHTML;
  }

  function copy() {
    const r = range();
    if (!r || r.collapsed) return null;
    return { html: fragmentHtml(r.cloneContents()), text: r.toString() };
  }

  function cut() {
    const r = range();
    if (!r || r.collapsed) return null;
    const out = copy();
    checkpoint();
    r.deleteContents();
    dropEmptyMarquees();
    return out;
  }

  // Paste of the editor's own clipboard: the markup as it was copied.
  function pasteHtml(html) {
    const t = document.createElement('template');
    t.innerHTML = html;
    const frag = t.content;
    const last = frag.lastChild;
    if (!last) return false;
    checkpoint();
    const r = range();
    if (!r) {
      document.body.appendChild(frag);
    } else {
      r.deleteContents();
      r.insertNode(frag);
    }
    caretAfter(last);
    stopMarquees();
    return true;
  }

  // Paste from other programs: plain text, line breaks as <br>.
  function pasteText(text) {
    if (!text) return false;
    const frag = document.createDocumentFragment();
    const lines = String(text).replace(/\r\n?/g, '\n').split('\n');
    lines.forEach((line, i) => {
      if (i) frag.appendChild(document.createElement('br'));
      if (line) frag.appendChild(document.createTextNode(line));
    });
    return pasteFragment(frag);
  }

  function pasteFragment(frag) {
    const last = frag.lastChild;
    if (!last) return false;
    checkpoint();
    const r = range();
    if (!r) document.body.appendChild(frag);
    else {
      r.deleteContents();
      r.insertNode(frag);
    }
    caretAfter(last);
    return true;
  }

  function deleteSelection() {
    const r = range();
    if (!r || r.collapsed) return false;
    checkpoint();
    r.deleteContents();
    dropEmptyMarquees();
    return true;
  }

  // ---- finding and placing the caret ----------------------------------

  // Selects the next occurrence of text after the selection (wrapping
  // round), within one text node.
  function find(text) {
    if (!text) return false;
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    const hits = [];
    for (let n = walker.nextNode(); n; n = walker.nextNode()) {
      let at = n.data.indexOf(text);
      while (at >= 0) {
        hits.push([n, at]);
        at = n.data.indexOf(text, at + 1);
      }
    }
    if (!hits.length) return false;
    const r = range();
    let pick = hits[0];
    if (r) {
      for (const h of hits) {
        const probe = document.createRange();
        probe.setStart(h[0], h[1]);
        if (probe.compareBoundaryPoints(Range.START_TO_END, r) > 0 ||
            (probe.compareBoundaryPoints(Range.START_TO_START, r) > 0 && r.collapsed)) {
          pick = h;
          break;
        }
      }
    }
    const sel = document.createRange();
    sel.setStart(pick[0], pick[1]);
    sel.setEnd(pick[0], pick[1] + text.length);
    selectRange(sel);
    const el = pick[0].parentElement;
    if (el && el.scrollIntoView) el.scrollIntoView({ block: 'nearest' });
    return true;
  }

  // The caret at the start or end of the n-th element that matches a CSS
  // selector, or the element itself selected ('select').
  function place(selector, index, where) {
    const el = document.querySelectorAll(selector)[index || 0];
    if (!el) return false;
    const r = document.createRange();
    if (where === 'select') r.selectNode(el);
    else if (where === 'after') {
      r.setStartAfter(el);
      r.collapse(true);
    } else {
      r.selectNodeContents(el);
      r.collapse(where !== 'end');
    }
    selectRange(r);
    return true;
  }

  // ---- design mode ----------------------------------------------------

  function onBeforeInput(e) {
    if (e.inputType === 'historyUndo' || e.inputType === 'historyRedo') {
      e.preventDefault();
      if (e.inputType === 'historyUndo') undo();
      else redo();
      return;
    }
    if (e.inputType.startsWith('format') || e.inputType === 'insertFromPaste' ||
        e.inputType === 'insertFromDrop' || e.inputType === 'deleteByDrag' ||
        e.inputType === 'insertFromPasteAsQuotation') {
      // The browser's own formatting and paste write CSS.
      e.preventDefault();
      return;
    }
    if (!typing) {
      checkpoint();
      typing = true;
    } else {
      ++changes;
    }
  }

  function design() {
    document.designMode = 'on';
    stopMarquees();
    document.addEventListener('beforeinput', onBeforeInput, true);
    document.addEventListener('input', dropEmptyMarquees, true);
    document.addEventListener('paste', (e) => {
      e.preventDefault();
      const text = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
      pasteText(text);
    }, true);
    document.addEventListener('drop', (e) => e.preventDefault(), true);
    document.addEventListener('dragstart', (e) => e.preventDefault(), true);
    document.addEventListener('mousedown', (e) => {
      typing = false;
      // A click on a picture selects it, so that 超链接 and the alignment
      // keys work on the picture.
      if (e.target && e.target.tagName === 'IMG' && e.button === 0) {
        e.preventDefault();
        const r = document.createRange();
        r.selectNode(e.target);
        selectRange(r);
      }
    }, true);
    document.addEventListener('contextmenu', (e) => {
      contextTarget = elementOf(e.target);
    }, true);
    return true;
  }

  // What a right-click landed on, for its properties dialog.
  function contextKind() {
    if (!contextTarget) return '';
    for (const kind of ['img', 'hr', 'marquee', 'link', 'cell', 'table']) {
      if (closest(contextTarget, KIND_TAGS[kind])) return kind;
    }
    return '';
  }

  return {
    design, serialize, undo, redo, checkpoint,
    canUndo: () => undoStack.length > 0,
    canRedo: () => redoStack.length > 0,
    changes: () => changes,
    setFont, fontState, toggle, align, paragraphState,
    insertImage, insertLink, insertHr, insertTable, insertMarquee, removeMarquee,
    getProps, setProps, tableOp,
    copy, cut, pasteHtml, pasteText, deleteSelection,
    find, place, contextKind,
    clearContext: () => { contextTarget = null; },
  };
})();
