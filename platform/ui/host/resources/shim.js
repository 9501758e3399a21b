// The program's side of every page shown in its window.
//
// In the shell (the window's top document) it keeps the one WebSocket to the program and carries
// calls, form state, navigation requests, dialog keys and clicks to it; it applies the program's
// changes (patches) to the documents, opens and closes dialogs and fills the menu bar, status bar
// and status window.
// In every document of the program (frames and dialogs) it defines `window.external` from the
// program's method table, traps script errors, hands navigations and form submissions to the
// program, and registers the document with the shell.
(function () {
  "use strict";
  if (window.jvShimInstalled) return;
  window.jvShimInstalled = true;

  var script = document.currentScript;
  var docAttribute = script && script.getAttribute("data-doc");

  // The program's elements carry their keys in this attribute when they arrive; the shim moves
  // them into a map and strips them, so page scripts see the markup the program built. Text nodes
  // are addressed by their parent's key and their index among its child nodes.
  var KEY = "data-jv-key";

  function frameSizes(spec) {
    return String(spec).split(",").map(function (part) {
      part = part.trim();
      if (part === "*") return "minmax(0, 1fr)";
      var star = /^(\d+)\*$/.exec(part);
      if (star) return "minmax(0, " + star[1] + "fr)";
      var percent = /^(\d+(?:\.\d+)?)%$/.exec(part);
      if (percent) return "minmax(0, " + percent[1] + "fr)";
      var pixels = /^(\d+)$/.exec(part);
      if (pixels) return pixels[1] + "px";
      return "minmax(0, 1fr)";
    }).join(" ");
  }

  function layOutFramesets(root) {
    var sets = root.querySelectorAll(".jv-frameset");
    for (var i = 0; i < sets.length; i++) {
      var rows = sets[i].getAttribute("data-rows");
      var cols = sets[i].getAttribute("data-cols");
      if (rows) sets[i].style.gridTemplateRows = frameSizes(rows);
      if (cols) sets[i].style.gridTemplateColumns = frameSizes(cols);
    }
  }

  // ---------------------------------------------------------------------------------------------
  // The shell: the connection to the program.

  function Host() {
    this.socket = null;
    this.open = false;
    this.outbox = [];
    this.nextCall = 1;
    this.calls = new Map();
    this.docs = new Map();
    this.dialogs = new Map();
    this.early = new Map();
  }

  // The program takes one window at a time. A window that reloads connects again while its
  // earlier page's connection may still be closing, and is turned away until the program has let
  // that one go (on a busy machine, a moment later): it asks again for a while before it says that
  // it is no longer connected. A second window is turned away for as long as the first one stays.
  var CONNECT_FOR_MS = 8000;
  var CONNECT_RETRY_MS = 250;

  Host.prototype.connect = function (until) {
    var self = this;
    var deadline = until === undefined ? Date.now() + CONNECT_FOR_MS : until;
    var opened = false;
    var socket = new WebSocket("ws://" + location.host + "/jv/ws");
    this.socket = socket;
    socket.onopen = function () {
      opened = true;
      self.open = true;
      var waiting = self.outbox;
      self.outbox = [];
      waiting.forEach(function (text) { socket.send(text); });
      if (!self.watching) {
        self.watching = true;
        self.watchBounds();
      }
    };
    socket.onmessage = function (event) {
      var message;
      try {
        message = JSON.parse(event.data);
      } catch (e) {
        return;
      }
      self.receive(message);
    };
    socket.onclose = function () {
      self.open = false;
      if (!opened && Date.now() + CONNECT_RETRY_MS < deadline) {
        setTimeout(function () { self.connect(deadline); }, CONNECT_RETRY_MS);
        return;
      }
      document.getElementById("jv-offline").hidden = false;
      // Nothing will answer any more: let every waiting script go on.
      self.calls.forEach(function (resolve) { resolve(); });
      self.calls.clear();
    };
  };

  // A text with a lone UTF-16 surrogate (half of a character, which a script or a paste can leave
  // in a field) has that half replaced by U+FFFD: JSON.stringify would write it as an escape that
  // no JSON reader takes, and the whole message, form state and call with it, would be lost.
  function wellFormed(key, value) {
    if (typeof value !== "string") return value;
    if (value.toWellFormed) return value.toWellFormed();
    if (!/[\uD800-\uDFFF]/.test(value)) return value;
    var out = "";
    for (var i = 0; i < value.length; i++) {
      var code = value.charCodeAt(i);
      var pair = code >= 0xD800 && code <= 0xDBFF && (value.charCodeAt(i + 1) & 0xFC00) === 0xDC00;
      if (pair) {
        out += value.substring(i, i + 2);
        i++;
      } else {
        out += code >= 0xD800 && code <= 0xDFFF ? "\uFFFD" : value.charAt(i);
      }
    }
    return out;
  }

  Host.prototype.send = function (message) {
    message.f = this.collectForms();
    this.post(message);
  };

  Host.prototype.post = function (message) {
    var text = JSON.stringify(message, wellFormed);
    if (this.open) this.socket.send(text);
    else this.outbox.push(text);
  };

  Host.prototype.call = function (doc, name, args) {
    var self = this;
    return new Promise(function (resolve) {
      var id = self.nextCall++;
      self.calls.set(id, resolve);
      self.send({ t: "call", id: id, doc: doc, m: name, a: args.map(scriptValue) });
      if (self.socket && self.socket.readyState > 1) {
        self.calls.delete(id);
        resolve();
      }
    });
  };

  // The program's message box, for a page script: resolves with true for OK.
  Host.prototype.ask = function (doc, text, title, cancel) {
    var self = this;
    return new Promise(function (resolve) {
      var id = self.nextCall++;
      self.calls.set(id, function (value) {
        resolve(value === true);
        self.settleAfterBox();
      });
      self.send({ t: "msgbox", id: id, doc: doc, text: text === undefined || text === null ? "" : String(text),
                  title: title === undefined || title === null ? "" : String(title), cancel: cancel ? 1 : 0 });
      if (self.socket && self.socket.readyState > 1) {
        self.calls.delete(id);
        resolve(false);
      }
    });
  };

  // Once the script has done what a box's answer started (its calls answered, a moment without
  // any), the program hears so, with what the page changed: what waited for the answer goes then.
  Host.prototype.settleAfterBox = function () {
    var self = this;
    if (self.settling) return;
    self.settling = true;
    var quiet = 0;
    var check = function () {
      quiet = self.calls.size > 0 ? 0 : quiet + 1;
      if (quiet < 3) {
        setTimeout(check, 10);
        return;
      }
      self.settling = false;
      self.send({ t: "settled" });
    };
    setTimeout(check, 0);
  };

  function scriptValue(value) {
    if (value === undefined || value === null) return null;
    var type = typeof value;
    if (type === "string" || type === "boolean") return value;
    if (type === "number") return isFinite(value) ? value : null;
    return String(value);
  }

  // --- documents --------------------------------------------------------------------------------

  Host.prototype.register = function (id, win) {
    var doc = { id: id, win: win, keys: new Map(), keyOf: new WeakMap(), sent: new WeakMap(), adopted: false,
                waiting: this.early.get(id) || [] };
    this.early.delete(id);
    this.docs.set(id, doc);
    return doc;
  };

  Host.prototype.adopt = function (doc, root) {
    var nodes = root.querySelectorAll ? root.querySelectorAll("[" + KEY + "]") : [];
    var all = [];
    if (root.nodeType === 1 && root.hasAttribute(KEY)) all.push(root);
    for (var i = 0; i < nodes.length; i++) all.push(nodes[i]);
    all.forEach(function (node) {
      var key = node.getAttribute(KEY);
      node.removeAttribute(KEY);
      doc.keys.set(key, node);
      doc.keyOf.set(node, key);
    });
  };

  Host.prototype.loaded = function (id) {
    var doc = this.docs.get(id);
    if (!doc) return;
    var d = doc.win.document;
    this.adopt(doc, d.documentElement);
    doc.adopted = true;
    programLinks(d);
    // Changes the program made before the page was complete.
    var waiting = doc.waiting;
    doc.waiting = [];
    for (var i = 0; i < waiting.length; i++) this.patch(waiting[i]);
    this.settle(doc);
    layOutFramesets(d);
    this.send({ t: "loaded", doc: id, frame: doc.win.name, url: doc.win.location.href, title: d.title });
    if (doc.win.name.indexOf("jv-dialog-") === 0) this.dialogLoaded(doc);
  };

  Host.prototype.unloaded = function (id) {
    if (!this.docs.has(id)) return;
    this.docs.delete(id);
    this.send({ t: "unloaded", doc: id });
  };

  // The elements of a subtree the program took out of the document: their keys are let go, so that
  // rows a long page drops as the user scrolls on do not stay in memory (a node moved elsewhere
  // comes back with its key in its insertion).
  Host.prototype.forget = function (doc, root) {
    if (!root || root.nodeType !== 1) return;
    var drop = function (element) {
      var key = doc.keyOf.get(element);
      if (key !== undefined && doc.keys.get(key) === element) doc.keys.delete(key);
    };
    drop(root);
    var below = root.getElementsByTagName("*");
    for (var i = 0; i < below.length; i++) drop(below[i]);
  };

  Host.prototype.node = function (doc, key) {
    var node = doc.keys.get(String(key));
    return node && node.ownerDocument === doc.win.document ? node : null;
  };

  // --- form state -------------------------------------------------------------------------------

  // The state of a form control as the program applies it: value (v), checked (c), selected
  // index (i), an option's selection in a multiple select (s), the content of an element marked
  // data-jv-sync (h).
  function fieldState(el) {
    var tag = el.tagName;
    if (tag === "INPUT") {
      if (el.type === "checkbox" || el.type === "radio") return { c: el.checked };
      return { v: el.value };
    }
    if (tag === "TEXTAREA") return { v: el.value };
    if (tag === "SELECT") return el.multiple ? null : { i: el.selectedIndex };
    if (tag === "OPTION") return { s: el.selected };
    return { h: el.innerHTML };
  }

  var SYNCED = "[data-jv-sync]";

  // Remembers the state of these fields as the program's: it is not sent back to the program
  // unless it changes. Only what the program itself set is remembered, so that what the user
  // typed meanwhile still reaches the program with the next message.
  Host.prototype.remember = function (doc, fields) {
    for (var i = 0; i < fields.length; i++) {
      var state = fieldState(fields[i]);
      if (state) doc.sent.set(fields[i], JSON.stringify(state));
    }
  };

  // A field whose state may have changed in the browser: it is looked at when the next message
  // goes, instead of every field of every document. With a radio button go the others of its
  // group, with a select its options (a multiple select's state is its options'), with a form its
  // fields.
  function markField(doc, el) {
    if (!el || el.nodeType !== 1) return;
    switch (el.tagName) {
      case "INPUT":
        doc.dirty.add(el);
        if (el.type === "radio" && el.name) {
          var group = (el.form || el.ownerDocument).querySelectorAll("input[type=radio]");
          for (var r = 0; r < group.length; r++) if (group[r].name === el.name) doc.dirty.add(group[r]);
        }
        return;
      case "TEXTAREA":
        doc.dirty.add(el);
        return;
      case "SELECT":
        doc.dirty.add(el);
        if (el.multiple) for (var o = 0; o < el.options.length; o++) doc.dirty.add(el.options[o]);
        return;
      case "OPTION": {
        var select = el.closest("select");
        if (select) markField(doc, select);
        return;
      }
      case "FORM":
        for (var f = 0; f < el.elements.length; f++) markField(doc, el.elements[f]);
        return;
    }
    if (el.hasAttribute("data-jv-sync")) doc.dirty.add(el);
  }

  // Marks what changes of a document's tree touched: the content of elements marked data-jv-sync
  // (and of those around them) and of text areas, and the markup state of inputs and options.
  function markMutations(doc, records) {
    for (var i = 0; i < records.length; i++) {
      var record = records[i];
      var node = record.target;
      var el = node.nodeType === 1 ? node : node.parentElement;
      if (!el) continue;
      if (record.type === "attributes" && /^(value|checked|selected)$/.test(record.attributeName) &&
          (el.tagName === "INPUT" || el.tagName === "OPTION")) {
        markField(doc, el);
      }
      for (var around = el.closest(SYNCED + ", textarea"); around;
           around = around.parentElement && around.parentElement.closest(SYNCED)) {
        markField(doc, around);
      }
    }
  }

  // What a document's scripts write into its fields marks them too: the setters of the state of
  // inputs, text areas, selects and options in the document's own window, and the methods that
  // change a value.
  function watchScriptWrites(doc, win) {
    var watched = {
      HTMLInputElement: ["value", "checked", "valueAsNumber", "valueAsDate", "setRangeText", "stepUp", "stepDown"],
      HTMLTextAreaElement: ["value", "setRangeText"],
      HTMLSelectElement: ["value", "selectedIndex", "length", "add", "remove"],
      HTMLOptionElement: ["selected"],
    };
    Object.keys(watched).forEach(function (type) {
      var proto = win[type] && win[type].prototype;
      if (!proto) return;
      watched[type].forEach(function (name) {
        var d = Object.getOwnPropertyDescriptor(proto, name);
        if (!d || !d.configurable) return;
        if (d.set) {
          var set = d.set;
          Object.defineProperty(proto, name, {
            configurable: true, enumerable: d.enumerable, get: d.get,
            set: function (value) {
              set.call(this, value);
              markField(doc, this);
            },
          });
        } else if (typeof d.value === "function") {
          var method = d.value;
          proto[name] = function () {
            var result = method.apply(this, arguments);
            markField(doc, this);
            return result;
          };
        }
      });
    });
  }

  // Marks every field that the user or a script changes in this document, from now on. What the
  // user typed reaches the program soon, call or no call (a field left at once, typing after a
  // pause), so that the program still has it when the window goes without warning.
  Host.prototype.watchFields = function (doc, win) {
    var self = this;
    doc.dirty = new Set();
    var mark = function (event) {
      markField(doc, event.target);
      if (event.isTrusted) self.sendFormsSoon(event.type === "input" ? 500 : 0);
    };
    win.document.addEventListener("input", mark, true);
    win.document.addEventListener("change", mark, true);
    win.document.addEventListener("reset", mark, true);
    watchScriptWrites(doc, win);
  };

  Host.prototype.sendFormsSoon = function (delay) {
    var self = this;
    if (this.formsTimer) clearTimeout(this.formsTimer);
    this.formsTimer = setTimeout(function () {
      self.formsTimer = 0;
      var forms = self.collectForms();
      if (forms) self.post({ t: "forms", f: forms });
    }, delay);
  };

  // The page as the program loaded it: the content of its data-jv-sync elements is the program's.
  // Fields that differ from their markup (written by a script before now, or put back by the
  // browser on going back in the history) go with the next message. From now on the changes of
  // the tree are watched.
  Host.prototype.settle = function (doc) {
    var d = doc.win.document;
    this.remember(doc, d.querySelectorAll(SYNCED));
    var fields = d.querySelectorAll("input, textarea, select");
    for (var i = 0; i < fields.length; i++) {
      var el = fields[i];
      var changed;
      if (el.tagName === "SELECT") {
        changed = false;
        var chosen = -1;
        for (var o = 0; o < el.options.length; o++) {
          var option = el.options[o];
          if (el.multiple) changed = changed || option.selected !== option.defaultSelected;
          else if (option.defaultSelected) chosen = o;
        }
        if (!el.multiple && chosen < 0 && el.options.length && el.size <= 1) chosen = 0;
        if (!el.multiple) changed = el.selectedIndex !== chosen;
      } else if (el.type === "checkbox" || el.type === "radio") {
        changed = el.checked !== el.defaultChecked;
      } else {
        changed = el.value !== el.defaultValue;
      }
      if (changed) markField(doc, el);
    }
    var observer = new doc.win.MutationObserver(function (records) { markMutations(doc, records); });
    observer.observe(d, { subtree: true, childList: true, characterData: true, attributes: true });
    doc.observer = observer;
  };

  // The state of the fields changed since the last message that the program does not have yet,
  // per document: [key, state] pairs.
  Host.prototype.collectForms = function () {
    var forms = {};
    var any = false;
    this.docs.forEach(function (doc, id) {
      if (!doc.adopted || !doc.dirty) return;
      try {
        if (doc.observer) markMutations(doc, doc.observer.takeRecords());
      } catch (e) {
        return;
      }
      if (!doc.dirty.size) return;
      var changed = [];
      doc.dirty.forEach(function (el) {
        var key = doc.keyOf.get(el);
        if (key === undefined || !el.isConnected) return;
        var state = fieldState(el);
        if (!state) return;
        var text = JSON.stringify(state);
        if (doc.sent.get(el) === text) return;
        doc.sent.set(el, text);
        changed.push([key, state]);
      });
      doc.dirty.clear();
      if (changed.length) {
        forms[id] = changed;
        any = true;
      }
    });
    return any ? forms : undefined;
  };

  // --- patches ----------------------------------------------------------------------------------

  // The program's html as nodes of the document, their keys taken over. Its fields hold the
  // program's state as they come: nobody has changed them yet.
  Host.prototype.fragment = function (doc, html) {
    var template = doc.win.document.createElement("template");
    template.innerHTML = html;
    var fragment = template.content;
    this.adopt(doc, fragment);
    return fragment;
  };

  // Links to the program's own pages and actions are not browser links: the browser would show
  // the server's address when one is pointed at, and take it into printouts. Their address moves
  // to data-jv-href (the program's document keeps the href); they stay links to the keyboard and to
  // assistive technology, and a click (or Enter) goes to the program as the link did.
  var PROGRAM_LINK = "data-jv-href";

  function programLinks(d) {
    var links = d.querySelectorAll("a[href], area[href]");
    for (var i = 0; i < links.length; i++) {
      var link = links[i];
      var url;
      try {
        url = new URL(link.getAttribute("href"), d.baseURI);
      } catch (e) {
        continue;
      }
      if (url.origin !== location.origin) continue;
      link.setAttribute(PROGRAM_LINK, link.getAttribute("href"));
      link.removeAttribute("href");
      if (!link.hasAttribute("role")) link.setAttribute("role", "link");
      if (!link.hasAttribute("tabindex")) link.setAttribute("tabindex", "0");
    }
    if (!d.jvLinkStyle && d.adoptedStyleSheets && d.defaultView && d.defaultView.CSSStyleSheet) {
      // The look the browser gives links, below every rule of the pages.
      var sheet = new d.defaultView.CSSStyleSheet();
      sheet.replaceSync(":where([" + PROGRAM_LINK + "]) { color: LinkText; text-decoration: underline; cursor: pointer; }");
      d.adoptedStyleSheets = d.adoptedStyleSheets.concat([sheet]);
      d.jvLinkStyle = sheet;
    }
  }

  // The frame a link of this window opens its page in, as the shell names frames.
  function linkFrame(win, link) {
    var target = link.getAttribute("target");
    if (!target) {
      var base = win.document.querySelector("base[target]");
      target = base ? base.getAttribute("target") : "";
    }
    var lower = target.toLowerCase();
    if (!target || lower === "_self") return win.name;
    if (lower === "_top") return "jv-top";
    if (lower === "_parent") return win.parent === win.top ? "jv-top" : win.parent.name;
    return target;
  }

  Host.prototype.patch = function (message) {
    var doc = this.docs.get(message.doc);
    if (!doc) {
      if (!this.early.has(message.doc)) this.early.set(message.doc, []);
      this.early.get(message.doc).push(message);
      return;
    }
    if (!doc.adopted) {
      doc.waiting.push(message);
      return;
    }
    var ops = message.ops || [];
    var fields = [];
    var structure = false;
    var links = false;
    for (var i = 0; i < ops.length; i++) {
      if (ops[i].o === "insert" || ops[i].o === "children" || ops[i].n === "href") links = true;
      try {
        if (this.apply(doc, ops[i], fields)) structure = true;
      } catch (e) {
        if (window.console) console.error("Jorvane: a change could not be shown", ops[i], e);
      }
    }
    // The fields the program filled or set now show the program's state (after the whole patch,
    // so that a select shows the options inserted after it).
    this.remember(doc, fields);
    if (structure) layOutFramesets(doc.win.document);
    if (links) programLinks(doc.win.document);
  };

  // The content of an element marked data-jv-sync that a change of the program went into is the
  // program's again.
  function syncedAround(node, fields) {
    var element = node && (node.nodeType === 1 ? node : node.parentElement);
    var synced = element && element.closest ? element.closest("[data-jv-sync]") : null;
    if (synced) fields.push(synced);
  }

  // The text node an insertion of empty html stands for: parsing "" gives no node at all.
  function insertedNodes(host, doc, op, fields) {
    if (op.h === "" || op.h === undefined || op.h === null) return doc.win.document.createTextNode(op.v || "");
    return host.fragment(doc, op.h);
  }

  // Applies one operation; true when it changed the document's structure. Fields whose state the
  // program set are added to `fields`.
  Host.prototype.apply = function (doc, op, fields) {
    var node = op.k !== undefined && op.k !== null ? this.node(doc, op.k) : null;
    if (!node) return false;
    switch (op.o) {
      case "attr":
        if (op.v === null || op.v === undefined) node.removeAttribute(op.n);
        else node.setAttribute(op.n, op.v);
        // The state that the markup of an input or option gives is the program's too.
        if (/^(value|checked|selected)$/.test(op.n) && (node.tagName === "INPUT" || node.tagName === "OPTION")) {
          fields.push(node);
          if (node.tagName === "OPTION" && node.closest("select")) fields.push(node.closest("select"));
        }
        return op.n === "class" || op.n === "data-rows" || op.n === "data-cols";
      case "children":
        for (var c = 0; c < node.children.length; c++) this.forget(doc, node.children[c]);
        node.replaceChildren(this.fragment(doc, op.h));
        syncedAround(node, fields);
        return true;
      case "insert": {
        var before = op.i === undefined || op.i === null || op.i < 0 ? null : node.childNodes[op.i] || null;
        node.insertBefore(insertedNodes(this, doc, op, fields), before);
        syncedAround(node, fields);
        return true;
      }
      case "remove":
        syncedAround(node, fields);
        if (op.i === undefined || op.i === null) {
          this.forget(doc, node);
          node.remove();
        } else if (node.childNodes[op.i]) {
          this.forget(doc, node.childNodes[op.i]);
          node.removeChild(node.childNodes[op.i]);
        }
        return true;
      case "value":
        node.value = op.v;
        fields.push(node);
        return false;
      case "checked":
        node.checked = !!op.v;
        fields.push(node);
        // Checking a radio button unchecked the others of its group, here as in the program.
        if (node.type === "radio" && node.name) {
          var group = (node.form || doc.win.document).querySelectorAll("input[type=radio]");
          for (var r = 0; r < group.length; r++) if (group[r].name === node.name) fields.push(group[r]);
        }
        return false;
      case "selected":
        node.selected = !!op.v;
        fields.push(node);
        if (node.closest("select")) fields.push(node.closest("select"));
        return false;
      case "selectedIndex":
        node.selectedIndex = op.v;
        fields.push(node);
        if (node.multiple) for (var o = 0; o < node.options.length; o++) fields.push(node.options[o]);
        return false;
      case "focus":
        if (node.focus) node.focus();
        if (op.s && node.select) node.select();
        return false;
    }
    return false;
  };

  // --- frames, dialogs and the window ---------------------------------------------------------

  Host.prototype.findFrame = function (name, win) {
    if (!name || name === "jv-top") return document.getElementById("jv-top").contentWindow;
    win = win || window;
    for (var i = 0; i < win.frames.length; i++) {
      var frame = win.frames[i];
      var frameName;
      try {
        frameName = frame.name;
      } catch (e) {
        continue;
      }
      if (frameName === name) return frame;
      var found = this.findFrame(name, frame);
      if (found) return found;
    }
    return null;
  };

  // Every load replaces the frame's page: the window's history is the program's, so that going
  // back or forward is asked about before the page goes (see navigationKey).
  Host.prototype.load = function (message) {
    var frame = this.findFrame(message.frame);
    if (!frame) return;
    var url = new URL(message.url, location.href).href;
    frame.jvApprovedUrl = url;
    frame.location.replace(url);
  };

  // The browser's keys for the history and for reloading, pressed in the shell (doc null) or in a
  // page: they go to the program, which asks before a page with unsaved work goes. True when the
  // key was one of them.
  Host.prototype.navigationKey = function (event, doc) {
    var key = event.key;
    var plain = !event.ctrlKey && !event.metaKey && !event.shiftKey;
    var delta = 0;
    if ((key === "ArrowLeft" && event.altKey && plain) || key === "BrowserBack") delta = -1;
    else if ((key === "ArrowRight" && event.altKey && plain) || key === "BrowserForward") delta = 1;
    var reload = key === "F5" || key === "BrowserRefresh" || ((key === "r" || key === "R") && event.ctrlKey && !event.altKey);
    var target = event.target;
    var editable = target && (target.isContentEditable || /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName));
    var backspace = key === "Backspace" && !editable && !event.altKey && !event.ctrlKey;
    if (!delta && !reload && !backspace) return false;
    if (this.modalShown()) return true;
    if (delta) this.send({ t: "history", delta: delta });
    else if (reload && doc !== null) this.send({ t: "reload", doc: doc });
    return true;
  };

  Host.prototype.openDialog = function (message) {
    var self = this;
    var dialog = document.createElement("dialog");
    dialog.className = "jv-dialog";
    var caption = document.createElement("div");
    caption.className = "jv-dialog-caption";
    var title = document.createElement("span");
    title.textContent = message.title || "";
    var close = document.createElement("button");
    close.type = "button";
    close.textContent = "\u00d7";
    close.title = "Close";
    close.addEventListener("click", function () { self.send({ t: "dialogkey", dlg: message.dlg, key: "Close" }); });
    caption.appendChild(title);
    caption.appendChild(close);
    var frame = document.createElement("iframe");
    frame.name = "jv-dialog-" + message.dlg;
    dialog.appendChild(caption);
    dialog.appendChild(frame);
    dialog.addEventListener("cancel", function (event) {
      event.preventDefault();
      self.send({ t: "dialogkey", dlg: message.dlg, key: "Escape" });
    });
    document.body.appendChild(dialog);
    this.dialogs.set(message.dlg, { id: message.dlg, element: dialog, frame: frame, title: title, clicks: message.clicks || null,
                                    returnFocus: focusedElement() });
    this.dialogBounds(message);
    if (message.modal === false) dialog.show();
    else dialog.showModal();
    this.placeDialog(this.dialogs.get(message.dlg));
    frame.jvApprovedUrl = new URL(message.url, location.href).href;
    frame.src = message.url;
  };

  Host.prototype.dialogFor = function (doc) {
    var id = Number(doc.win.name.substring("jv-dialog-".length));
    return { id: id, dialog: this.dialogs.get(id) };
  };

  Host.prototype.dialogLoaded = function (doc) {
    var found = this.dialogFor(doc);
    if (!found.dialog) return;
    var d = doc.win.document;
    var caption = found.dialog.title;
    var showTitle = function () { if (d.title) caption.textContent = d.title; };
    showTitle();
    // The program may give the dialog its title after the page has loaded, or change it later.
    if (d.head && doc.win.MutationObserver) {
      new doc.win.MutationObserver(showTitle).observe(d.head, { childList: true, subtree: true, characterData: true });
    }
    // The dialog is as high as what it holds, now and whenever that changes.
    found.dialog.doc = d;
    this.fitDialog(found.dialog);
    if (doc.win.ResizeObserver) {
      var self = this;
      new doc.win.ResizeObserver(function () { self.refitDialog(found.dialog); }).observe(d.documentElement);
    }
    doc.win.focus();
    // As a desktop box, the dialog opens with its default button (the one its page marks with
    // autofocus) focused, so that Enter gives the default answer; a field the page focused itself
    // keeps the focus.
    var preferred = d.querySelector("[autofocus]");
    if (preferred && (!d.activeElement || d.activeElement === d.body) && preferred.focus) preferred.focus();
  };

  // Sizes the dialog again once the browser has delivered what it observed. Sizing its frame from
  // within the observer would change the size being observed while the browser delivers it (the
  // browser reports that to the page as an error), so it waits for the next frame.
  Host.prototype.refitDialog = function (dialog) {
    if (dialog.fitPending) return;
    dialog.fitPending = true;
    var self = this;
    window.requestAnimationFrame(function () {
      dialog.fitPending = false;
      if (self.dialogs.get(dialog.id) === dialog) self.fitDialog(dialog);
    });
  };

  // The height of a dialog's content, so that no empty space is left under its buttons; never more
  // than the window can show (the dialog then scrolls). A dialog that is shown whole has no scroll
  // bar to come and go as its height changes, so its width, and with it what wraps, stays put.
  Host.prototype.fitDialog = function (dialog) {
    var d = dialog.doc;
    if (!d || !d.documentElement || d.defaultView === null) return;
    var height = Math.ceil(d.documentElement.getBoundingClientRect().height);
    var parts = d.body ? d.body.querySelectorAll("*") : [];
    for (var i = 0; i < parts.length; i++) {
      var position = d.defaultView.getComputedStyle(parts[i]).position;
      if (position === "absolute" || position === "fixed") {
        height = Math.max(height, Math.ceil(parts[i].getBoundingClientRect().bottom + d.defaultView.scrollY));
      }
    }
    if (!(height > 0)) return;
    var limit = Math.max(window.innerHeight - 80, 120);
    var sheet = noScrollBar(d);
    if (sheet) sheet.disabled = height > limit;
    var text = Math.min(height, limit) + "px";
    if (dialog.frame.style.height !== text) dialog.frame.style.height = text;
    this.placeDialog(dialog);
  };

  // A dialog the program placed stands where it was put, moved up and left only as far as it must
  // to stand whole in the window (a small window, or a screen at a large scale), so that its
  // buttons are never past the window's edge. One put out of sight on purpose (a page only for the
  // printer) stays there.
  Host.prototype.placeDialog = function (dialog) {
    var place = dialog.place;
    if (!place) return;
    var element = dialog.element;
    element.style.left = Math.min(place.x, Math.max(0, window.innerWidth - element.offsetWidth)) + "px";
    element.style.top = Math.min(place.y, Math.max(0, window.innerHeight - element.offsetHeight)) + "px";
  };

  // A style sheet of the dialog's own, outside its markup (the program's copy of the document stays
  // as the browser's), that takes away its scroll bar while it is enabled.
  function noScrollBar(d) {
    if (!d.jvNoScrollBar && d.adoptedStyleSheets && d.defaultView.CSSStyleSheet) {
      var sheet = new d.defaultView.CSSStyleSheet();
      sheet.replaceSync("html { overflow-y: hidden; }");
      d.adoptedStyleSheets = d.adoptedStyleSheets.concat([sheet]);
      d.jvNoScrollBar = sheet;
    }
    return d.jvNoScrollBar || null;
  }

  Host.prototype.dialogBounds = function (message) {
    var dialog = this.dialogs.get(message.dlg);
    if (!dialog) return;
    if (message.w || !dialog.frame.style.width) dialog.frame.style.width = (message.w || 400) + "px";
    if (dialog.doc) this.fitDialog(dialog);
    else if (message.h || !dialog.frame.style.height) dialog.frame.style.height = (message.h || 300) + "px";
    if (message.x !== undefined || message.y !== undefined) {
      dialog.element.style.margin = "0";
      dialog.place = { x: message.x || 0, y: message.y || 0 };
      this.placeDialog(dialog);
    }
  };

  Host.prototype.closeDialog = function (message) {
    var dialog = this.dialogs.get(message.dlg);
    if (!dialog) return;
    this.dialogs.delete(message.dlg);
    dialog.element.close();
    dialog.element.remove();
    this.restoreFocus(dialog.returnFocus);
  };

  // The element itself when it is a field that text is typed into, else null.
  function editableField(element) {
    if (!element || element.nodeType !== 1) return null;
    if (element.tagName === "TEXTAREA") return element;
    if (element.tagName !== "INPUT") return null;
    return /^(text|search|url|tel|email|password|number|date|time|datetime-local|month|week)$/.test(element.type) ? element : null;
  }

  // The element that has the focus, looked for through the frames of the window.
  function focusedElement() {
    var win = window;
    var element = document.activeElement;
    try {
      while (element && element.tagName === "IFRAME" && element.contentWindow) {
        win = element.contentWindow;
        element = win.document.activeElement;
      }
    } catch (e) {
      // A frame that is not the program's: its window is as far as the focus can be followed.
    }
    return { win: win, element: element };
  }

  // After a dialog closes the focus goes back where it was when the dialog opened (to the dialog
  // beneath, say, so that Enter and Escape answer it), unless that is under another dialog still
  // shown: then to the newest dialog.
  Host.prototype.restoreFocus = function (target) {
    var shown = Array.from(this.dialogs.values());
    var top = shown.length ? shown[shown.length - 1] : null;
    try {
      if (target && target.win && (!top || target.win === top.frame.contentWindow)) {
        target.win.focus();
        var element = target.element;
        if (element && element.isConnected && element.ownerDocument === target.win.document && element.focus) element.focus();
        return;
      }
      if (top && top.frame.contentWindow) top.frame.contentWindow.focus();
    } catch (e) {
      // The page went meanwhile.
    }
  };

  // The status bar's panes, 0 the message pane.
  Host.prototype.status = function (pane, text, tip, icon) {
    var bar = document.getElementById("jv-statusbar");
    while (bar.children.length <= pane) {
      var span = document.createElement("span");
      span.className = "jv-pane";
      bar.appendChild(span);
    }
    var cell = bar.children[pane];
    cell.textContent = text;
    cell.title = tip || "";
    cell.className = "jv-pane" + (icon ? " jv-icon jv-icon-" + String(icon).replace(/[^a-z0-9-]/gi, "") : "");
  };

  // Where the window is and how large, for the program to open it there next time. Moving a window
  // raises no event, so the place is looked at now and then as well.
  Host.prototype.watchBounds = function () {
    var self = this;
    var last = "";
    var report = function () {
      var maximized = window.outerWidth >= screen.availWidth && window.outerHeight >= screen.availHeight;
      var bounds = { t: "bounds", x: window.screenX, y: window.screenY, w: window.outerWidth, h: window.outerHeight,
                     iw: window.innerWidth, ih: window.innerHeight, max: maximized,
                     min: document.visibilityState === "hidden",
                     sx: screen.availLeft || 0, sy: screen.availTop || 0, sw: screen.availWidth, sh: screen.availHeight };
      var text = JSON.stringify(bounds);
      if (text === last || !self.open) return;
      last = text;
      self.socket.send(text);
    };
    window.addEventListener("resize", report);
    setInterval(report, 1000);
    report();
  };

  // --- the menu bar -----------------------------------------------------------------------------
  //
  // Captions as the program gives them: "&" before the access key ("&&" for an "&" itself) and a
  // tab before the shortcut shown at the right ("&Print...\tCtrl+P"). The bar works with the mouse
  // and with the keyboard: Alt with an access key (or, where a caption has none, its first letter)
  // opens a menu, Alt alone selects the bar, the arrow keys move, Enter chooses, a letter chooses
  // the item with that access key, Escape steps back. The program's shortcut keys (accelerators)
  // work in every frame of the window; those marked "native" are left to the browser's own editing.

  function menuLabel(label) {
    var parts = String(label).split("\t");
    var raw = parts[0];
    var text = "";
    var key = null;
    var at = -1;
    for (var i = 0; i < raw.length; i++) {
      var c = raw.charAt(i);
      if (c === "&" && i + 1 < raw.length) {
        c = raw.charAt(++i);
        if (c !== "&" && key === null) {
          key = c.toLowerCase();
          at = text.length;
        }
      }
      text += c;
    }
    return { text: text, key: key, at: at, shortcut: parts[1] || "" };
  }

  function labelNodes(parsed) {
    var span = document.createElement("span");
    span.className = "jv-caption";
    if (parsed.at < 0) {
      span.textContent = parsed.text;
    } else {
      span.appendChild(document.createTextNode(parsed.text.substring(0, parsed.at)));
      var u = document.createElement("u");
      u.textContent = parsed.text.charAt(parsed.at);
      span.appendChild(u);
      span.appendChild(document.createTextNode(parsed.text.substring(parsed.at + 1)));
    }
    return span;
  }

  // The entry whose access key is `letter`; where none has one, the first whose caption begins
  // with it.
  function byKey(entries, letter) {
    letter = letter.toLowerCase();
    for (var i = 0; i < entries.length; i++) if (entries[i].key === letter && entries[i].enabled) return i;
    for (var j = 0; j < entries.length; j++) {
      if (entries[j].key === null && entries[j].enabled && entries[j].text.charAt(0).toLowerCase() === letter) return j;
    }
    return -1;
  }

  // "Ctrl+Shift+P", as accelerators are written.
  function keyName(event) {
    var key = event.key;
    if (!key || key === "Control" || key === "Shift" || key === "Alt" || key === "Meta") return "";
    if (key.length === 1) key = key.toUpperCase();
    return (event.ctrlKey ? "Ctrl+" : "") + (event.altKey ? "Alt+" : "") + (event.shiftKey ? "Shift+" : "") + key;
  }

  Host.prototype.menu = function (message) {
    var self = this;
    var bar = document.getElementById("jv-menubar");
    bar.replaceChildren();
    this.menus = [];
    this.openMenu = -1;
    this.accelerators = message.accelerators || [];
    (message.menus || []).forEach(function (menu, index) {
      var holder = document.createElement("div");
      holder.className = "jv-menu";
      var opener = document.createElement("button");
      opener.type = "button";
      opener.setAttribute("role", "menuitem");
      var parsed = menuLabel(menu.label);
      opener.appendChild(labelNodes(parsed));
      var list = document.createElement("ul");
      list.setAttribute("role", "menu");
      var entry = { holder: holder, opener: opener, key: parsed.key, text: parsed.text, enabled: true, items: [] };
      (menu.items || []).forEach(function (item) {
        var li = document.createElement("li");
        if (item.separator) {
          li.className = "jv-separator";
        } else {
          var caption = menuLabel(item.label);
          var button = document.createElement("button");
          button.type = "button";
          button.setAttribute("role", "menuitem");
          button.appendChild(labelNodes(caption));
          if (caption.shortcut) {
            var shortcut = document.createElement("span");
            shortcut.className = "jv-shortcut";
            shortcut.textContent = caption.shortcut;
            button.appendChild(shortcut);
          }
          button.disabled = item.enabled === false;
          var choice = { button: button, key: caption.key, text: caption.text, enabled: item.enabled !== false,
                         id: item.id, action: item.action || "" };
          entry.items.push(choice);
          button.addEventListener("click", function () { self.chooseItem(choice); });
          button.addEventListener("mouseenter", function () { if (!button.disabled) button.focus(); });
          li.appendChild(button);
        }
        list.appendChild(li);
      });
      opener.addEventListener("click", function () {
        if (self.openMenu === index) self.closeMenus(true);
        else self.openMenuAt(index, false);
      });
      opener.addEventListener("mouseenter", function () {
        if (self.openMenu >= 0 && self.openMenu !== index) self.openMenuAt(index, false);
      });
      holder.appendChild(opener);
      holder.appendChild(list);
      bar.appendChild(holder);
      self.menus.push(entry);
    });
    bar.hidden = !(message.menus && message.menus.length);
    if (!this.menuKeysInstalled) {
      this.menuKeysInstalled = true;
      document.addEventListener("keydown", function (event) {
        if (self.menuKey(event, null) || self.navigationKey(event, null)) event.preventDefault();
      }, true);
      document.addEventListener("keyup", function (event) { self.menuKeyUp(event); }, true);
      document.addEventListener("mousedown", function (event) {
        if (!bar.contains(event.target)) self.closeMenus(false);
      }, true);
    }
  };

  // The window of the program's page that last had the focus (the Edit commands act there).
  Host.prototype.focusedPage = function (win) {
    if (win && win.name.indexOf("jv-dialog-") !== 0) this.lastWindow = win;
  };

  // The text field the focus was last in, in a page's window (null: none).
  Host.prototype.focusedField = function (win, field) {
    if (win && win.name.indexOf("jv-dialog-") !== 0) this.lastField = field;
  };

  Host.prototype.modalShown = function () {
    var shown = document.querySelectorAll("dialog.jv-dialog[open]");
    return shown.length > 0;
  };

  Host.prototype.openMenuAt = function (index, focusFirst) {
    if (!this.menus || !this.menus[index]) return;
    if (this.openMenu < 0 && !this.menuMode) this.rememberFocus();
    this.menus.forEach(function (menu, i) { menu.holder.classList.toggle("jv-open", i === index); });
    this.openMenu = index;
    this.menuMode = true;
    var menu = this.menus[index];
    if (focusFirst) this.focusItem(menu, 0, 1);
    else menu.opener.focus();
  };

  // Moves the focus to the next item that can be chosen from `from` in direction `step`.
  Host.prototype.focusItem = function (menu, from, step) {
    var count = menu.items.length;
    for (var n = 0; n < count; n++) {
      var i = ((from + n * step) % count + count) % count;
      if (menu.items[i].enabled) {
        menu.items[i].button.focus();
        return;
      }
    }
  };

  Host.prototype.rememberFocus = function () {
    this.returnTo = this.lastWindow || null;
  };

  Host.prototype.closeMenus = function (restore) {
    if (!this.menus) return;
    this.menus.forEach(function (menu) { menu.holder.classList.remove("jv-open"); });
    var was = this.menuMode;
    this.openMenu = -1;
    this.menuMode = false;
    if (restore && was) {
      var target = this.returnTo || this.lastWindow;
      if (document.activeElement && document.activeElement.blur) document.activeElement.blur();
      if (target) {
        try {
          target.focus();
        } catch (e) {
          // The frame has gone.
        }
      }
    }
  };

  Host.prototype.chooseItem = function (choice) {
    if (!choice.enabled) return;
    this.closeMenus(true);
    if (choice.action) this.browserAction(choice.action);
    else this.send({ t: "command", id: choice.id });
  };

  // What the window does itself: the browser's editing in the page that had the focus, and moving
  // the focus between the window's panes.
  Host.prototype.browserAction = function (action) {
    if (action === "nextpane" || action === "prevpane") {
      var panes = this.panes();
      if (!panes.length) return;
      var at = panes.indexOf(this.lastWindow);
      var next = action === "nextpane" ? at + 1 : (at < 0 ? panes.length : at) - 1;
      var target = panes[(next % panes.length + panes.length) % panes.length];
      target.focus();
      this.focusedPage(target);
      return;
    }
    var win = this.lastWindow;
    if (!win) return;
    try {
      var d = win.document;
      var field = this.lastField;
      if (!field || !field.isConnected || field.ownerDocument !== d) field = null;
      // Choosing from the menu took the focus out of the field. It goes back before the field is
      // edited, so that the page sees it come (a field showing its grey hint clears it then) and
      // the hint never mixes with the text.
      var refocus = function () {
        win.focus();
        if (field && d.activeElement !== field) field.focus();
      };
      refocus();
      if (action !== "paste") {
        d.execCommand(action);
        return;
      }
      if (d.execCommand("paste")) return;
      // The page may read the clipboard (the window's profile allows the program's own pages):
      // its text goes in as Ctrl+V puts it, one step for Undo.
      var clipboard = win.navigator.clipboard;
      if (!clipboard || !clipboard.readText) return;
      clipboard.readText().then(function (text) {
        refocus();
        if (text && (!field || d.activeElement === field)) d.execCommand("insertText", false, text);
      }).catch(function () {});
    } catch (e) {
      // The page has gone meanwhile.
    }
  };

  // The windows of the frames that show pages (not those that only hold other frames), in order.
  Host.prototype.panes = function () {
    var out = [];
    var walk = function (win) {
      var frames = [];
      try {
        frames = Array.prototype.slice.call(win.document.querySelectorAll("iframe"));
      } catch (e) {
        return;
      }
      if (!frames.length && win !== window) out.push(win);
      frames.forEach(function (frame) {
        if (frame.contentWindow && String(frame.name).indexOf("jv-dialog-") !== 0) walk(frame.contentWindow);
      });
    };
    walk(window);
    return out;
  };

  // A key pressed in the shell or in a page of the window; true when the menu bar used it.
  Host.prototype.menuKey = function (event, win) {
    if (!this.menus || !this.menus.length || this.modalShown()) return false;
    if (win) this.focusedPage(win);
    if (event.key !== "Alt") this.altAlone = false;
    else if (!event.ctrlKey && !event.shiftKey && !event.repeat) this.altAlone = true;

    var name = keyName(event);
    for (var a = 0; a < (this.accelerators || []).length; a++) {
      var accelerator = this.accelerators[a];
      if (accelerator.key !== name) continue;
      if (accelerator.action === "native") return false;
      this.closeMenus(true);
      if (accelerator.action) this.browserAction(accelerator.action);
      else this.send({ t: "command", id: accelerator.id });
      return true;
    }

    var letter = event.key && event.key.length === 1 ? event.key : "";
    if (event.altKey && !event.ctrlKey && letter) {
      var index = byKey(this.menus, letter);
      if (index < 0) return false;
      this.openMenuAt(index, true);
      return true;
    }
    if (!this.menuMode) return false;

    var menu = this.openMenu >= 0 ? this.menus[this.openMenu] : null;
    var current = menu ? menu.items.findIndex(function (item) { return item.button === document.activeElement; }) : -1;
    var focusedMenu = this.menus.findIndex(function (m) { return m.opener === document.activeElement; });
    var position = this.openMenu >= 0 ? this.openMenu : Math.max(focusedMenu, 0);
    switch (event.key) {
      case "Escape":
        if (menu) {
          menu.holder.classList.remove("jv-open");
          this.openMenu = -1;
          menu.opener.focus();
        } else {
          this.closeMenus(true);
        }
        return true;
      case "ArrowDown":
      case "ArrowUp":
        if (!menu) {
          this.openMenuAt(position, true);
        } else {
          var step = event.key === "ArrowDown" ? 1 : -1;
          var from = current < 0 ? (step > 0 ? 0 : menu.items.length - 1) : current + step;
          this.focusItem(menu, from, step);
        }
        return true;
      case "ArrowLeft":
      case "ArrowRight": {
        var count = this.menus.length;
        var next = ((position + (event.key === "ArrowRight" ? 1 : -1)) % count + count) % count;
        if (menu) this.openMenuAt(next, true);
        else this.menus[next].opener.focus();
        return true;
      }
      case "Enter":
      case " ":
        if (menu && current >= 0) this.chooseItem(menu.items[current]);
        else if (!menu) this.openMenuAt(position, true);
        return true;
      case "Tab":
        return true;
    }
    if (letter && !event.ctrlKey) {
      if (menu) {
        var item = byKey(menu.items, letter);
        if (item >= 0) this.chooseItem(menu.items[item]);
      } else {
        var found = byKey(this.menus, letter);
        if (found >= 0) this.openMenuAt(found, true);
      }
      return true;
    }
    return false;
  };

  // Alt pressed and let go without another key selects the menu bar, or leaves it.
  Host.prototype.menuKeyUp = function (event) {
    if (event.key !== "Alt" || !this.altAlone) return;
    this.altAlone = false;
    if (!this.menus || !this.menus.length || this.modalShown()) return;
    if (this.menuMode) {
      this.closeMenus(true);
    } else {
      this.rememberFocus();
      this.menuMode = true;
      this.menus[0].opener.focus();
    }
    event.preventDefault();
  };

  Host.prototype.receive = function (message) {
    switch (message.t) {
      case "patch":
        this.patch(message);
        return;
      case "reply": {
        // A call the program could not use is answered with an error; the script goes on all the same.
        if (message.error && window.console) console.error("Jorvane: a call was not carried out:", message.error);
        var resolve = this.calls.get(message.id);
        if (resolve) {
          this.calls.delete(message.id);
          resolve(message.v);
        }
        return;
      }
      case "load":
        this.load(message);
        return;
      case "dialog":
        this.openDialog(message);
        return;
      case "closedialog":
        this.closeDialog(message);
        return;
      case "status":
        this.status(message.pane || 0, message.text || "", message.tip || "", message.icon || "");
        return;
      case "raise":
        window.focus();
        return;
      case "place":
        // The program fits a window that opened (partly) off its screen inside it.
        window.moveTo(message.x, message.y);
        window.resizeTo(message.w, message.h);
        return;
      case "dialogbounds":
        this.dialogBounds(message);
        return;
      case "title":
        document.title = message.text || "";
        return;
      case "menu":
        this.menu(message);
        return;
      case "unsavedmark":
        this.unsavedMark = { id: message.id || "", text: message.text || "" };
        return;
      case "formstate":
        // The program is about to end and asks what the fields hold now: what was typed since the
        // last message goes at once, without waiting for a pause in the typing.
        if (this.formsTimer) {
          clearTimeout(this.formsTimer);
          this.formsTimer = 0;
        }
        this.post({ t: "formstate", id: message.id, f: this.collectForms() });
        return;
      case "print": {
        var shown = this.docs.get(message.doc);
        if (shown) shown.win.print();
        return;
      }
    }
  };

  // ---------------------------------------------------------------------------------------------
  // Every document of the program.

  function installDocument(host, id) {
    var doc = host.register(id, window);
    if (host.watchFields) host.watchFields(doc, window);
    guardDocument(document);

    // The external object: the program's methods, each returning a promise that settles once the
    // program's changes from the call are on the page.
    var call = function (name, args) { return host.call(id, name, args); };
    var external = window.jvMakeExternal ? window.jvMakeExternal(call) : {};
    try {
      Object.defineProperty(window, "external", { value: external, configurable: true, writable: false });
    } catch (e) {
      window.external = external;
    }

    // The program's own message box in place of the browser's: `await jvAlert(text)` and
    // `if (await jvConfirm(text)) ...`, the title "Jorvane" unless one is given. The browser's
    // boxes are never shown; a script that still calls them cannot wait for an answer, so its
    // question counts as cancelled.
    window.jvAlert = function (message, title) {
      return host.ask(id, message, title, false).then(function () {});
    };
    window.jvConfirm = function (message, title) { return host.ask(id, message, title, true); };
    window.alert = function (message) { window.jvAlert(message); };
    window.confirm = function (message) {
      window.jvAlert(message);
      return false;
    };
    window.prompt = function () { return null; };

    // Script errors go to the program, unless the page's own error handler dealt with them. A
    // notice of the browser about its own work is no fault of the page; an error the program was
    // told of is not told again (a script that fails the same way again and again is told once).
    // Only the latest are kept: a script failing a different way every moment fills no memory.
    var told = new Set();
    var tell = function (message, url, line) {
      var key = message + "\n" + url + "\n" + line;
      if (told.has(key)) return;
      if (told.size >= 100) told.delete(told.values().next().value);
      told.add(key);
      host.send({ t: "error", doc: id, message: message, url: url, line: line });
    };
    window.addEventListener("error", function (event) {
      if (BROWSER_NOTICE.test(String(event.message))) return;
      setTimeout(function () {
        if (!event.defaultPrevented) tell(String(event.message), String(event.filename || ""), event.lineno || 0);
      }, 0);
    });
    window.addEventListener("unhandledrejection", function (event) {
      var reason = event.reason;
      tell(String(reason && reason.message ? reason.message : reason), location.href, 0);
    });

    // Navigations and form submissions are the program's to decide: it answers with a load.
    if (window.navigation) {
      window.navigation.addEventListener("navigate", function (event) {
        if (event.hashChange || event.downloadRequest !== null) return;
        var url = event.destination.url;
        if (window.jvApprovedUrl === url) {
          window.jvApprovedUrl = null;
          return;
        }
        if (!event.cancelable) return;
        event.preventDefault();
        var message = { t: "navigate", doc: id, frame: window.name, url: url };
        if (event.formData) {
          message.form = [];
          event.formData.forEach(function (value, name) { message.form.push([name, String(value)]); });
        }
        host.send(message);
      });
    }
    // Links and scripts that would open another window ask the program too (a link clicked with
    // Ctrl or Shift held is one the browser would open in a new window); the middle button opens
    // no window of the browser's.
    document.addEventListener("click", function (event) {
      var link = event.target && event.target.closest ? event.target.closest("a[href]") : null;
      if (!link) return;
      var target = (link.getAttribute("target") || "").toLowerCase();
      var newWindow = event.ctrlKey || event.shiftKey || event.metaKey;
      if (target !== "_blank" && target !== "_new" && !newWindow) return;
      event.preventDefault();
      host.send({ t: "navigate", doc: id, frame: "_blank", url: link.href });
    }, true);
    document.addEventListener("auxclick", function (event) {
      if (event.button === 1 && event.target && event.target.closest && event.target.closest("a[href], area[href]")) {
        event.preventDefault();
      }
    }, true);
    // The program's links: once the page's own handlers have let the click through, the program
    // is asked to open the page, as for a browser link.
    document.addEventListener("click", function (event) {
      var link = event.target && event.target.closest ? event.target.closest("[" + PROGRAM_LINK + "]") : null;
      if (!link || event.defaultPrevented || event.button !== 0) return;
      event.preventDefault();
      var url = new URL(link.getAttribute(PROGRAM_LINK), document.baseURI);
      var here = new URL(location.href);
      url.hash = "";
      here.hash = "";
      var frame = linkFrame(window, link);
      if (url.href === here.href && frame === window.name) return;  // a link to a place in the page
      host.send({ t: "navigate", doc: id, frame: frame, url: url.href });
    });
    document.addEventListener("keydown", function (event) {
      var link = event.target;
      if (event.key !== "Enter" || event.defaultPrevented || !link || !link.hasAttribute ||
          !link.hasAttribute(PROGRAM_LINK)) return;
      event.preventDefault();
      link.click();
    });
    window.open = function (url) {
      host.send({ t: "navigate", doc: id, frame: "_blank", url: new URL(String(url || ""), location.href).href });
      return null;
    };

    // In a dialog: Enter and Escape are the dialog's OK and cancel; clicks on bound elements go to
    // the program.
    if (window.name.indexOf("jv-dialog-") === 0) {
      var dialogId = Number(window.name.substring("jv-dialog-".length));
      document.addEventListener("keydown", function (event) {
        if (event.defaultPrevented || event.altKey || event.ctrlKey || event.metaKey) return;
        if (event.key === "Tab") {
          tabWithin(document, event);
          return;
        }
        if (event.key === "Escape") {
          event.preventDefault();
          host.send({ t: "dialogkey", doc: id, dlg: dialogId, key: "Escape" });
        } else if (event.key === "Enter") {
          var target = event.target;
          var tag = target && target.tagName;
          if (tag === "TEXTAREA" || tag === "BUTTON" || tag === "A" || tag === "SELECT") return;
          if (tag === "INPUT" && /^(button|submit|reset|checkbox|radio)$/i.test(target.type)) return;
          event.preventDefault();
          host.send({ t: "dialogkey", doc: id, dlg: dialogId, key: "Enter" });
        }
      });
      document.addEventListener("click", function (event) {
        var dialog = host.dialogs.get(dialogId);
        var clicks = dialog ? dialog.clicks : null;
        var el = event.target;
        while (el && el.nodeType === 1) {
          if (el.id && (clicks ? clicks.indexOf(el.id) >= 0 : /^(BUTTON|INPUT|A)$/.test(el.tagName))) {
            host.send({ t: "event", doc: id, dlg: dialogId, type: "click", id: el.id, k: doc.keyOf.get(el) });
            return;
          }
          el = el.parentNode;
        }
      });
    }

    // The window's menu bar and shortcut keys hear the keys pressed here; the page that last had
    // the focus is where the Edit commands act.
    document.addEventListener("keydown", function (event) {
      if ((host.menuKey && host.menuKey(event, window)) || (host.navigationKey && host.navigationKey(event, id))) {
        event.preventDefault();
        event.stopPropagation();
      }
    }, true);
    // The mouse's back and forward buttons are the history too, as the keys are: not while a
    // modal dialog (the question whether to leave a page, say) is open.
    document.addEventListener("mouseup", function (event) {
      if (event.button !== 3 && event.button !== 4) return;
      event.preventDefault();
      if (host.modalShown && host.modalShown()) return;
      if (host.send) host.send({ t: "history", delta: event.button === 3 ? -1 : 1 });
    }, true);
    document.addEventListener("keyup", function (event) { if (host.menuKeyUp) host.menuKeyUp(event); }, true);
    window.addEventListener("focus", function () { if (host.focusedPage) host.focusedPage(window); });
    document.addEventListener("mousedown", function (event) {
      if (host.closeMenus) host.closeMenus(false);
      // A click beside the fields leaves the field the focus was in (one that focuses a field, a
      // label's, is told below as the field takes the focus).
      if (host.focusedField) host.focusedField(window, editableField(event.target));
    }, true);
    // The field the focus is in: the menu's Edit commands give it the focus back before they edit
    // in it.
    document.addEventListener("focusin", function (event) {
      var field = editableField(event.target);
      if (host.focusedField) host.focusedField(window, field);
    }, true);

    document.addEventListener("DOMContentLoaded", function () { host.loaded(id); });
    window.addEventListener("pagehide", function () { host.unloaded(id); });
  }

  // The keys that edit in a field, held with Ctrl: select all, copy, cut, paste, undo and redo,
  // and moving or deleting by words. Every other key held with Ctrl or Alt is the browser's own
  // (a new window, the page's source, the history, downloads, bookmarks, developer tools, find,
  // zoom, print, save, ...) and does nothing in the program's window.
  var EDITING_WITH_CTRL = /^(a|c|v|x|y|z|Insert|Backspace|Delete|ArrowLeft|ArrowRight|ArrowUp|ArrowDown|Home|End)$/i;
  var EDITING_WITH_CTRL_SHIFT = /^(v|z|Backspace|ArrowLeft|ArrowRight|ArrowUp|ArrowDown|Home|End)$/i;
  // Keys of their own on some keyboards that the browser acts on.
  var BROWSER_KEYS = /^(Browser\w*|F\d+|Find|Help|Open|Print|Save|New|Close|ZoomIn|ZoomOut|ZoomToggle)$/;

  // True for a key pressed in the program's window that only the browser would act on: the page
  // keeps it from the browser. Keys the program uses are taken before this is asked.
  function browserKey(event) {
    var key = event.key || "";
    if (/^(Control|Shift|Alt|AltGraph|Meta|OS)$/.test(key)) return false;
    if (BROWSER_KEYS.test(key)) return true;
    if (event.ctrlKey || event.metaKey) {
      if (event.altKey) return true;
      return !(event.shiftKey ? EDITING_WITH_CTRL_SHIFT : EDITING_WITH_CTRL).test(key);
    }
    // Alt with Up or Down opens a list; with any other key it is the browser's.
    if (event.altKey) return key !== "ArrowUp" && key !== "ArrowDown";
    // Shift+Escape is the browser's task manager.
    return key === "Escape" && event.shiftKey;
  }

  // The window's own parts (its bars, the space around the pages) and every page in it: no key of
  // the browser's and no menu of the browser's (a page may show its own on the same click).
  function guardDocument(d) {
    d.addEventListener("keydown", function (event) {
      if (browserKey(event)) event.preventDefault();
    }, true);
    d.addEventListener("contextmenu", function (event) { event.preventDefault(); });
  }

  // What the browser says about its own work: a resize observer whose changes could not all be
  // delivered within one frame. No fault of the page's script.
  var BROWSER_NOTICE = /^ResizeObserver loop (completed with undelivered notifications|limit exceeded)/;

  // Tab and Shift+Tab go round a dialog's fields and buttons: past the last one to the first and
  // back, never out of the dialog.
  var FOCUSABLE = "a[href], [data-jv-href], button, input, select, textarea, [tabindex]";

  function tabWithin(d, event) {
    var stops = Array.prototype.filter.call(d.querySelectorAll(FOCUSABLE), function (el) {
      if (el.disabled || el.tabIndex < 0 || (el.type && el.type.toLowerCase() === "hidden")) return false;
      if (el.closest("[inert]")) return false;
      var style = d.defaultView.getComputedStyle(el);
      return style.visibility !== "hidden" && el.getClientRects().length > 0;
    });
    if (!stops.length) {
      event.preventDefault();
      return;
    }
    var at = stops.indexOf(d.activeElement);
    var last = stops.length - 1;
    if (event.shiftKey ? at <= 0 : at < 0 || at >= last) {
      event.preventDefault();
      stops[event.shiftKey ? last : 0].focus();
    }
  }

  // A document that is not shown inside the program's window has nobody to talk to.
  function Detached() {}
  Detached.prototype.register = Host.prototype.register;
  Detached.prototype.call = function () { return Promise.resolve(); };
  Detached.prototype.ask = function () { return Promise.resolve(false); };
  Detached.prototype.send = function () {};
  Detached.prototype.loaded = function () {};
  Detached.prototype.unloaded = function () {};
  Detached.prototype.dialogs = new Map();

  // --- closing the window -------------------------------------------------------------------
  //
  // The window's close box, its keys and a reload of the whole window belong to the browser, which
  // lets a page ask before it goes. While a page of the program shows the program's mark of unsaved
  // work, the window asks (the browser's own question: the program can show nothing of its own as
  // the window goes); Cancel there keeps the window and what was typed. The program is told when
  // the window goes after that question, so that it does not keep what the user chose to leave.

  Host.prototype.hasUnsavedWork = function () {
    var mark = this.unsavedMark;
    if (!mark || !mark.id) return false;
    var found = false;
    this.docs.forEach(function (doc) {
      try {
        var flag = doc.win.document.getElementById(mark.id);
        if (flag && flag.textContent.trim() === mark.text) found = true;
      } catch (e) {
        // A document that went meanwhile holds nothing.
      }
    });
    return found;
  };

  Host.prototype.guardClosing = function () {
    var self = this;
    window.addEventListener("beforeunload", function (event) {
      // Nothing can be saved once the program is gone: then the window goes without asking.
      self.askedToLeave = self.open && self.hasUnsavedWork();
      if (!self.askedToLeave) return;
      event.preventDefault();
      event.returnValue = "";
    });
    window.addEventListener("pagehide", function () {
      if (self.askedToLeave) self.send({ t: "leaving" });
    });
  };

  if (window === window.top && docAttribute === null) {
    var host = new Host();
    window.jvHost = host;
    guardDocument(document);
    // Dialogs are never higher than the window can show.
    window.addEventListener("resize", function () {
      host.dialogs.forEach(function (dialog) { host.refitDialog(dialog); });
    });
    host.guardClosing();
    host.connect();
    return;
  }

  var shell = null;
  try {
    shell = window.top.jvHost || null;
  } catch (e) {
    shell = null;
  }
  if (script) {
    var previous = script.previousElementSibling;
    if (previous && previous.tagName === "SCRIPT" && /\/jv\/external\.js(\?|$)/.test(previous.src)) previous.remove();
    script.remove();
  }
  installDocument(shell || new Detached(), Number(docAttribute));
})();
