#include "catalogs/websitefiles.h"

namespace WebSite {

namespace {
// Lines ended by CR LF, as every text file the program writes.
QByteArray WithCrLf(const char *text)
{
    QByteArray bytes(text);
    bytes.replace("\r\n", "\n");
    bytes.replace("\n", "\r\n");
    return bytes;
}
}

QByteArray SiteStyle()
{
    return WithCrLf(R"css(* { box-sizing: border-box; }
body { margin: 0; font-family: Arial, "Liberation Sans", sans-serif; font-size: 15px; background: #fafafa; color: #111; }
.bar { display: flex; flex-wrap: wrap; gap: 4px 18px; align-items: center; padding: 6px 10px; background: #e6e6e6;
       border-bottom: 1px solid #c8c8c8; }
.bar h1 { font-size: 18px; margin: 0; }
.bar a { color: #1a4f99; }
.bar .off { color: #999; }
/* An object: the panel at its own pixels, scaled down by the script when the window is narrower. */
.stage { position: relative; overflow: hidden; }
.panel { position: relative; overflow: hidden; transform-origin: 0 0; }
.panel > .e { position: absolute; margin: 0; }
.panel > img.e { display: block; object-fit: fill; }
/* As on the panel, what lies inside a frame can still be reached: a text in it can be selected. */
.panel > .fr { pointer-events: none; }
.t { white-space: pre; line-height: normal; font-size: var(--fs); }
.box { white-space: pre-wrap; overflow: auto; border: 1px solid #a0a0a0; padding: 3px 4px; font-size: var(--fs);
       overflow-wrap: break-word; }
/* The index: the filter beside the grid. */
.index { display: flex; align-items: flex-start; gap: 10px; padding: 10px; }
#filter { flex: 0 0 28%; max-width: 360px; }
#filter select { width: 100%; font: inherit; padding: 3px; }
#tree { max-height: 55vh; overflow: auto; border: 1px solid #c8c8c8; background: #fff; margin-top: 6px; padding: 4px; }
#tree ul, #chosen { list-style: none; margin: 0; padding-left: 16px; }
#tree > ul { padding-left: 0; }
#tree button, #chosen button { font: inherit; border: 0; background: none; padding: 1px 3px; cursor: pointer; text-align: left; }
#tree button.entry:hover, #tree button.entry:focus { background: #dbe8fb; }
#tree .toggle { width: 1.4em; color: #555; }
#chosen { padding-left: 0; }
#chosen li { display: flex; justify-content: space-between; background: #eef3fb; margin: 2px 0; }
.hint { margin: 8px 0 2px; color: #555; }
main { flex: 1; min-width: 0; overflow-x: auto; }
#search { font: inherit; padding: 4px 6px; min-width: 14em; }
#grid { border-collapse: collapse; background: #fff; }
#grid th { font-weight: bold; text-align: center; background: #eee; cursor: pointer; user-select: none; }
#grid th.up::after { content: " \25B2"; font-size: 70%; }
#grid th.down::after { content: " \25BC"; font-size: 70%; }
#grid th, #grid td { border: 1px solid #ccc; padding: 3px 8px; vertical-align: top; }
#grid tbody tr { cursor: pointer; }
#grid tbody tr:hover { background: #eef3fb; }
#grid td { white-space: pre-line; }
/* A phone: the filter above the grid, each object a card; an object's elements one under another. */
@media (max-width: 640px) {
  .index { display: block; padding: 6px; }
  #filter { max-width: none; margin-bottom: 10px; }
  #tree { max-height: 35vh; }
  #grid, #grid tbody, #grid tr, #grid td { display: block; width: 100%; }
  #grid thead { display: block; }
  #grid thead tr { display: flex; flex-wrap: wrap; gap: 4px; }
  #grid th { display: inline-block; }
  #grid tbody tr { border: 1px solid #ccc; margin-bottom: 8px; }
  #grid td { border: 0; }
  #grid td::before { content: attr(data-t) ": "; font-weight: bold; }
  .stage { height: auto !important; }
  .panel { transform: none !important; width: auto !important; height: auto !important; display: flex;
           flex-direction: column; gap: 8px; padding: 8px; background: transparent !important; }
  .panel > .e { position: static !important; width: auto !important; height: auto !important; max-width: 100%; }
  .panel > img.e { width: 100% !important; height: auto !important; }
  .panel > img.bg, .panel > .fr { display: none; }
  .t, .box { white-space: pre-wrap; font-size: max(15px, var(--fs)); }
  .box { max-height: none; }
}
)css");
}

QByteArray SiteScript()
{
    return WithCrLf(R"js((function () {
'use strict';
// As the program's search reads texts: case folded, Ё read as Е; and a number read whether its digits are
// grouped by spaces as the grid shows them or typed together as the program shows them.
function fold(text) {
  return text.toLowerCase().replace(/ё/g, 'е').replace(/(\d)[ \u00A0\u202F]+(?=\d)/g, '$1');
}
// The pages of the list the index shows, in its order, kept for the tab so an object's page walks that list.
var listKey = 'list ' + location.href.replace(/[#?].*$/, '').replace(/[^\/]*$/, '');
function pageOf(href) { return href.replace(/[#?].*$/, '').replace(/^.*\//, ''); }
function storedList() {
  try { return JSON.parse(sessionStorage.getItem(listKey) || 'null'); } catch (e) { return null; }
}

var panel = document.getElementById('panel');
if (panel) {
  // An object's page: the layout at its own size where it fits, scaled down keeping proportions where not.
  var stage = document.getElementById('stage');
  var narrow = window.matchMedia('(max-width: 640px)');
  var fit = function () {
    var w = +panel.getAttribute('data-w'), h = +panel.getAttribute('data-h');
    if (narrow.matches) { panel.style.transform = ''; stage.style.height = ''; return; }
    var k = Math.min(1, stage.clientWidth / w);
    panel.style.transform = k < 1 ? 'scale(' + k + ')' : '';
    stage.style.height = Math.ceil(h * k) + 'px';
  };
  window.addEventListener('resize', fit);
  fit();
  // Came from the index: previous, next and the position are those of the list the visitor was shown.
  var list = storedList(), here = list ? list.indexOf(pageOf(location.href)) : -1;
  if (here >= 0) {
    var relink = function (id, page) {
      var old = document.getElementById(id), link;
      if (page) { link = document.createElement('a'); link.href = page; link.rel = id; }
      else { link = document.createElement('span'); link.className = 'off'; }
      link.id = id;
      link.innerHTML = old.innerHTML;
      old.parentNode.replaceChild(link, old);
    };
    relink('prev', list[here - 1]);
    relink('next', list[here + 1]);
    document.getElementById('pos').textContent = (here + 1) + ' из ' + list.length;
    var toList = sessionStorage.getItem(listKey + ' index');
    if (toList) document.getElementById('toindex').href = toList;
  }
  document.addEventListener('keydown', function (e) {
    if (e.altKey || e.ctrlKey || e.metaKey || e.shiftKey) return;
    var to = { ArrowLeft: 'prev', ArrowRight: 'next', Escape: 'toindex' }[e.key];
    var link = to && document.getElementById(to);
    if (link) { e.preventDefault(); window.location.href = link.href; }
  });
  return;
}

var dataElement = document.getElementById('data');
if (!dataElement) return;
var data = JSON.parse(dataElement.textContent);
var tbody = document.querySelector('#grid tbody');
var rows = Array.prototype.slice.call(tbody.rows);
var search = document.getElementById('search');
var count = document.getElementById('count');
var bookBox = document.getElementById('book');
var tree = document.getElementById('tree');
var chosenList = document.getElementById('chosen');
var chosen = [];
var names = [], parents = [], keys = [];
data.books.forEach(function (book) {
  book.e.forEach(function (entry, i) {
    names[book.o + i] = entry[0];
    parents[book.o + i] = entry[1] < 0 ? -1 : book.o + entry[1];
    keys[book.o + i] = entry[2];
  });
});
data.rows.forEach(function (d) { d.s = fold(d.s); });

// A chosen entry stands for itself and every entry below it (listed right after it).
function below(entry) {
  var set = {};
  set[entry] = true;
  for (var i = entry + 1; i < parents.length && set[parents[i]]; ++i) set[i] = true;
  return set;
}

// An object is shown when its texts hold the search and, for every chosen entry, it is linked to that
// entry or one below it.
function apply() {
  var q = fold(search.value);
  var sets = chosen.map(below);
  var shown = 0;
  rows.forEach(function (tr) {
    var d = data.rows[+tr.getAttribute('data-i')];
    var pass = (!q || d.s.indexOf(q) >= 0) && sets.every(function (set) {
      return d.l.some(function (entry) { return set[entry]; });
    });
    tr.hidden = !pass;
    if (pass) ++shown;
  });
  count.textContent = 'Объектов: ' + shown + (shown === rows.length ? '' : ' из ' + rows.length);
  remember();
}

// The search, the chosen entries and the order kept in the page's address, so that Back from an object
// and the link to the list bring the visitor back to the same list.
function remember() {
  var state = [];
  if (search.value) state.push('q=' + encodeURIComponent(search.value));
  if (chosen.length) state.push('f=' + chosen.map(function (entry) { return keys[entry]; }).join(','));
  if (sortColumn >= 0) state.push('s=' + (sortDirection * (sortColumn + 1)));
  history.replaceState(null, '', state.length ? '#' + state.join('&') : location.pathname + location.search);
  var pages = rows.filter(function (tr) { return !tr.hidden; }).map(function (tr) { return tr.getAttribute('data-href'); });
  try {
    sessionStorage.setItem(listKey, JSON.stringify(pages));
    sessionStorage.setItem(listKey + ' index', 'index.html' + (state.length ? '#' + state.join('&') : ''));
  } catch (e) { /* storage refused: an object's page keeps its links to the whole list */ }
}
function restore() {
  var state = {};
  location.hash.replace(/^#/, '').split('&').forEach(function (part) {
    var at = part.indexOf('=');
    if (at > 0) {
      try { state[part.slice(0, at)] = decodeURIComponent(part.slice(at + 1)); } catch (e) { }
    }
  });
  search.value = state.q || '';
  chosen = [];
  (state.f || '').split(',').forEach(function (key) {
    var entry = keys.indexOf(key);
    if (key && entry >= 0 && chosen.indexOf(entry) < 0) chosen.push(entry);
  });
  var s = parseInt(state.s, 10);
  if (s && Math.abs(s) <= data.numeric.length) sortAs(Math.abs(s) - 1, s > 0 ? 1 : -1);
  else if (sortColumn >= 0) sortAs(-1, 1);
  showChosen();
}

var sortColumn = -1, sortDirection = 1;
function sortBy(column) {
  sortAs(column, column === sortColumn ? -sortDirection : 1);
}
function sortAs(column, direction) {
  sortDirection = direction;
  sortColumn = column;
  var numeric = data.numeric[column];
  // No column: the order the site was published in.
  var key = function (tr) { return column < 0 ? null : data.rows[+tr.getAttribute('data-i')].k[column]; };
  rows.sort(function (a, b) {
    var x = key(a), y = key(b), order;
    if (x === null || y === null) order = (x === null ? 0 : 1) - (y === null ? 0 : 1);
    else order = numeric ? x - y : x.localeCompare(y, 'ru');
    return order * sortDirection || (+a.getAttribute('data-i') - +b.getAttribute('data-i'));
  });
  rows.forEach(function (tr) { tbody.appendChild(tr); });
  Array.prototype.forEach.call(document.querySelectorAll('#grid th'), function (th) {
    var mine = +th.getAttribute('data-c') === column && th.hasAttribute('data-c');
    th.className = mine ? (sortDirection > 0 ? 'up' : 'down') : '';
  });
}
Array.prototype.forEach.call(document.querySelectorAll('#grid th[data-c]'), function (th) {
  var go = function () { sortBy(+th.getAttribute('data-c')); remember(); };
  th.addEventListener('click', go);
  th.addEventListener('keydown', function (e) { if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); go(); } });
});
tbody.addEventListener('click', function (e) {
  var tr = e.target.closest('tr');
  if (tr && !e.target.closest('a')) window.location.href = tr.getAttribute('data-href');
});
search.addEventListener('input', apply);

function showChosen() {
  chosenList.textContent = '';
  chosen.forEach(function (entry, i) {
    var li = document.createElement('li');
    li.appendChild(document.createTextNode(names[entry]));
    var remove = document.createElement('button');
    remove.textContent = '\u00D7';
    remove.title = 'Удалить элемент из условия отбора';
    remove.addEventListener('click', function () { chosen.splice(i, 1); showChosen(); apply(); });
    li.appendChild(remove);
    chosenList.appendChild(li);
  });
}
function choose(entry) {
  if (chosen.indexOf(entry) < 0) chosen.push(entry);
  showChosen();
  apply();
}
function showBook(b) {
  tree.textContent = '';
  var book = data.books[b];
  if (!book) return;
  var lists = {};
  var top = document.createElement('ul');
  tree.appendChild(top);
  book.e.forEach(function (entry, i) {
    var id = book.o + i;
    var li = document.createElement('li');
    var toggle = document.createElement('button');
    toggle.className = 'toggle';
    toggle.setAttribute('aria-hidden', 'true');
    var name = document.createElement('button');
    name.className = 'entry';
    name.textContent = entry[0];
    name.title = 'Добавить элемент в условие отбора';
    name.addEventListener('click', function () { choose(id); });
    li.appendChild(toggle);
    li.appendChild(name);
    (entry[1] < 0 ? top : lists[book.o + entry[1]]).appendChild(li);
    var sub = document.createElement('ul');
    sub.hidden = true;
    li.appendChild(sub);
    lists[id] = sub;
    toggle.addEventListener('click', function () {
      sub.hidden = !sub.hidden;
      toggle.textContent = sub.hidden ? '+' : '\u2212';
    });
  });
  Object.keys(lists).forEach(function (id) {
    var sub = lists[id];
    sub.parentNode.firstChild.textContent = sub.childNodes.length ? '+' : '';
  });
}
data.books.forEach(function (book, b) {
  var option = document.createElement('option');
  option.value = b;
  option.textContent = book.n;
  bookBox.appendChild(option);
});
if (!data.books.length) document.getElementById('filter').hidden = true;
bookBox.addEventListener('change', function () { showBook(+bookBox.value); });
showBook(0);
restore();
apply();
// Another address typed or a bookmark opened on this page: the list follows it.
window.addEventListener('hashchange', function () { restore(); apply(); });
// Back from an object may show the page as it was left: the list still follows the box.
window.addEventListener('pageshow', function (e) { if (e.persisted) apply(); });
})();
)js");
}

}
